#pragma once
// The settings window's left pane: the search field and the grouped page list. Selecting a row
// sets the router's page; the list follows the router. The search text lives as long as the sidebar.

#include "settings/SettingsPage.h"

#include <QWidget>

class QLineEdit;
class QListWidget;
class QToolButton;

namespace mendrake {

class SettingsRouter;

// Magnifier, text field with the placeholder "Search", and a clear button shown only while the
// field holds text.
class SidebarSearchField : public QWidget {
    Q_OBJECT
public:
    explicit SidebarSearchField(QWidget* parent = nullptr);
    QString text() const;
    void setText(const QString& text);
    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* clearButton() const { return clear_; }

signals:
    void textChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QLineEdit* edit_;
    QToolButton* clear_;
};

class SettingsSidebar : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSidebar(SettingsRouter& router, QWidget* parent = nullptr);

    SidebarSearchField* searchField() const { return search_; }
    QListWidget* list() const { return list_; }
    // The pages listed, top to bottom, and the groups they fall in.
    std::vector<std::vector<SettingsPage>> listedSections() const;
    std::optional<SettingsPage> selectedPage() const;
    void select(SettingsPage page);  // as a click on that row

private:
    void rebuild();
    void showRouterPage();

    SettingsRouter& router_;
    SidebarSearchField* search_;
    QListWidget* list_;
    bool rebuilding_ = false;
};

}  // namespace mendrake
