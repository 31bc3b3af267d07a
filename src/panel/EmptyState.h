#pragma once
// EmptyState: what the result list shows when nothing is listed: the scissors and "Copy something
// to get started" for an empty query, the magnifying glass and the query in curly quotes otherwise.

#include <QWidget>

class QLabel;

namespace mendrake {

class EmptyState : public QWidget {
    Q_OBJECT
public:
    explicit EmptyState(QWidget* parent);
    void setQuery(const QString& query);

    QString message() const;
    QString symbolName() const { return symbol_; }

private:
    QLabel* icon_;
    QLabel* text_;
    QString symbol_;
};

}  // namespace mendrake
