#pragma once
// The five pages of the settings window: identifiers, titles, symbols, search words, the sidebar's
// grouping and the sidebar search predicate. Plain values, no widgets.

#include <QColor>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace mendrake {

enum class SettingsPage { general, shortcuts, history, privacy, about };

inline constexpr std::array<SettingsPage, 5> allSettingsPages = {
    SettingsPage::general, SettingsPage::shortcuts, SettingsPage::history, SettingsPage::privacy,
    SettingsPage::about};

// The sidebar's groups, in order; each group is one untitled section.
const std::vector<std::vector<SettingsPage>>& sidebarSections();

// The page identifier ("general", ...); an unknown identifier yields no page.
QString rawValue(SettingsPage page);
std::optional<SettingsPage> settingsPageFromRawValue(const QString& raw);

QString title(SettingsPage page);        // sidebar row text
QString windowTitle(SettingsPage page);  // window title while the page is shown
QString iconSymbol(SettingsPage page);   // symbol name of the sidebar tile
QColor tint(SettingsPage page);
QString keywords(SettingsPage page);

// Whether `page` is listed for the sidebar search text `search`: the text, trimmed of spaces and
// tabs and lower-cased, is empty or occurs in the page's window title followed by its keywords.
bool matches(SettingsPage page, const QString& search);

// The sidebar's sections after filtering by `search`; a section without a match is left out.
std::vector<std::vector<SettingsPage>> filteredSections(const QString& search);

}  // namespace mendrake
