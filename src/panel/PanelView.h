#pragma once
// PanelView: everything inside the floating panel, top to bottom: the search header (magnifying
// glass, search field, "Paused" while capture is paused), the filter bar, the result list beside
// the preview, and the footer with key hints. The search field takes the keyboard whenever the
// model's focusToken changes, i.e. at each showing.

#include "panel/PanelKeyEvent.h"

#include <QLineEdit>
#include <QWidget>

namespace mendrake {

class AppIcons;
class FilterBar;
class FooterBar;
class PanelViewModel;
class PreviewPane;
class ResultList;
class Workspace;

class PanelView : public QWidget {
    Q_OBJECT
public:
    PanelView(PanelViewModel& model, Workspace& workspace, AppIcons& icons, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    QWidget* pausedLabel() const { return paused_; }
    FilterBar* filterBar() const { return filters_; }
    ResultList* resultList() const { return results_; }
    PreviewPane* previewPane() const { return preview_; }
    FooterBar* footerBar() const { return footer_; }

    // What the key commands need to know about the search field.
    SearchFieldState searchFieldState() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updatePaused();
    void focusSearch();

    PanelViewModel& model_;
    QLineEdit* search_;
    QWidget* paused_;
    FilterBar* filters_;
    ResultList* results_;
    PreviewPane* preview_;
    FooterBar* footer_;
    bool composing_ = false;
};

}  // namespace mendrake
