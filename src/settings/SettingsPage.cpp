#include "settings/SettingsPage.h"

#include "settings/SettingsColors.h"

namespace mendrake {

namespace {

struct PageInfo {
    const char* raw;
    const char* title;
    const char* windowTitle;
    const char* symbol;
    QColor (*tint)();
    const char* keywords;
};

const PageInfo& info(SettingsPage page) {
    static const PageInfo table[] = {
        {"general", "General", "General", "gearshape.fill", tintGray,
         "login startup menu bar tray paste accessibility keystroke sound"},
        {"shortcuts", "Shortcuts", "Keyboard Shortcuts", "command", tintIndigo,
         "hotkey keys keyboard"},
        {"history", "History", "History", "clock.arrow.circlepath", tintBlue,
         "retention items storage clear delete"},
        {"privacy", "Privacy", "Privacy", "hand.raised.fill", tintBlue,
         "passwords ignore apps pause"},
        {"about", "About", "About Mendrake", "info.circle.fill", tintGray,
         "version updates support website"},
    };
    return table[static_cast<int>(page)];
}

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto horizontal = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && horizontal(text[begin])) ++begin;
    while (end > begin && horizontal(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

}  // namespace

const std::vector<std::vector<SettingsPage>>& sidebarSections() {
    static const std::vector<std::vector<SettingsPage>> sections = {
        {SettingsPage::general, SettingsPage::shortcuts},
        {SettingsPage::history, SettingsPage::privacy},
        {SettingsPage::about},
    };
    return sections;
}

QString rawValue(SettingsPage page) { return QString::fromLatin1(info(page).raw); }

std::optional<SettingsPage> settingsPageFromRawValue(const QString& raw) {
    for (SettingsPage page : allSettingsPages)
        if (rawValue(page) == raw) return page;
    return std::nullopt;
}

QString title(SettingsPage page) { return QString::fromUtf8(info(page).title); }
QString windowTitle(SettingsPage page) { return QString::fromUtf8(info(page).windowTitle); }
QString iconSymbol(SettingsPage page) { return QString::fromLatin1(info(page).symbol); }
QColor tint(SettingsPage page) { return info(page).tint(); }
QString keywords(SettingsPage page) { return QString::fromUtf8(info(page).keywords); }

bool matches(SettingsPage page, const QString& search) {
    const QString needle = trimSpacesAndTabs(search).toLower();
    if (needle.isEmpty()) return true;
    const QString haystack = (windowTitle(page) + u' ' + keywords(page)).toLower();
    return haystack.contains(needle);
}

std::vector<std::vector<SettingsPage>> filteredSections(const QString& search) {
    std::vector<std::vector<SettingsPage>> result;
    for (const auto& section : sidebarSections()) {
        std::vector<SettingsPage> kept;
        for (SettingsPage page : section)
            if (matches(page, search)) kept.push_back(page);
        if (!kept.empty()) result.push_back(std::move(kept));
    }
    return result;
}

}  // namespace mendrake
