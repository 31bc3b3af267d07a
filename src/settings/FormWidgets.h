#pragma once
// Building blocks of the grouped forms on the settings pages: a page that stacks groups, a group
// card with an optional header and footer, rows with a title, an optional second line, an optional
// leading icon and a value on the right.

#include <QColor>
#include <QLabel>
#include <QString>
#include <QWidget>

class QVBoxLayout;

namespace mendrake {

// A secondary-colour label (second lines, footers).
QLabel* secondaryLabel(const QString& text, QWidget* parent = nullptr);

// A label showing `symbol` at `size` pixels in `color`.
QLabel* symbolLabel(const QString& symbol, int size, const QColor& color, QWidget* parent = nullptr);

// A row: [leading] title / second line ........ value. `title` and `subtitle` become labels whose
// object names are "title" and "subtitle" so tests and styles can find them.
QWidget* formRow(const QString& title, const QString& subtitle, QWidget* value,
                 QWidget* leading = nullptr);

class FormGroup : public QWidget {
public:
    explicit FormGroup(const QString& header = {}, const QString& footer = {},
                       QWidget* parent = nullptr);

    void addRow(QWidget* row);
    // Replaces every row (for lists that are rebuilt as a whole).
    void clearRows();
    QLabel* footerLabel() const { return footer_; }

private:
    class Card;
    Card* card_;
    QVBoxLayout* rows_;
    QLabel* footer_ = nullptr;
};

// A scrolling page holding groups from top to bottom.
class FormPage : public QWidget {
public:
    explicit FormPage(QWidget* parent = nullptr);
    void addGroup(QWidget* group);
    void addStretch();

private:
    QVBoxLayout* groups_;
};

}  // namespace mendrake
