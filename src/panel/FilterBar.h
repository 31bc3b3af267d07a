#pragma once
// FilterBar: one capsule chip per kind filter ("All" ... "Colors"), the current one in the accent
// colour, then the hint "Tab switch". Pressing a chip sets the model's filter.

#include "panel/ClipFilter.h"

#include <QAbstractButton>
#include <QWidget>

namespace mendrake {

class PanelViewModel;

class FilterChip : public QAbstractButton {
    Q_OBJECT
public:
    FilterChip(ClipFilter filter, QWidget* parent);
    ClipFilter filter() const { return filter_; }
    bool isCurrent() const { return current_; }
    void setCurrent(bool current);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ClipFilter filter_;
    bool current_ = false;
};

class FilterBar : public QWidget {
    Q_OBJECT
public:
    FilterBar(PanelViewModel& model, QWidget* parent);
    QList<FilterChip*> chips() const { return chips_; }

private:
    void refreshChips();

    PanelViewModel& model_;
    QList<FilterChip*> chips_;
};

}  // namespace mendrake
