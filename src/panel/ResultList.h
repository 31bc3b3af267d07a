#pragma once
// ResultList: the model's results as rows (source icon, colour swatch, title, pin, Ctrl+N or age badge),
// painted by a delegate so that only the visible rows cost anything. A press selects a row, a
// double click pastes it, and the selected row is kept in view. An empty list shows EmptyState.

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

namespace mendrake {

class AppIcons;
class Clock;
class PanelViewModel;
class EmptyState;

// Row count and identity of the model's results for the list view.
class ResultListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int idRole = Qt::UserRole + 1;
    explicit ResultListModel(PanelViewModel& model, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    PanelViewModel& model_;
};

// Paints one ClipRow.
class ClipRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 32;
    static constexpr int rowGap = 2;

    ClipRowDelegate(PanelViewModel& model, AppIcons& icons, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The badge text of the row at `index`: "Ctrl+1" to "Ctrl+9", then the item's age label.
    static QString badgeText(int index, const QString& ageLabel);

private:
    PanelViewModel& model_;
    AppIcons& icons_;
};

class ResultList : public QListView {
    Q_OBJECT
public:
    ResultList(PanelViewModel& model, AppIcons& icons, QWidget* parent);
    EmptyState* emptyState() const { return empty_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void resultsChanged();
    void scrollToSelection();
    void placeEmptyState();

    PanelViewModel& model_;
    ResultListModel* rows_;
    EmptyState* empty_;
};

}  // namespace mendrake
