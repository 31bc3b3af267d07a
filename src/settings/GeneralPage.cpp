#include "settings/GeneralPage.h"

#include "platform/KeySynthesiser.h"
#include "ui/SymbolIcons.h"
#include "settings/DesktopTexts.h"
#include "settings/PrefsBinding.h"
#include "settings/SettingsColors.h"
#include "settings/SettingsWindowController.h"

#include <QHBoxLayout>

namespace mendrake {

GeneralPage::GeneralPage(SettingsServices& services, QWidget* parent)
    : FormPage(parent), services_(services), trusted_(services.keySynthesiser.isTrusted()) {
    Preferences& prefs = services.prefs;

    auto* startup = new FormGroup;
    startup->addRow(formRow("Launch at login", "Start Mendrake quietly when you log in.",
                            boundSwitch(prefs, &Preferences::launchAtLogin, &Preferences::setLaunchAtLogin,
                                        &Preferences::launchAtLoginChanged)));
    startup->addRow(formRow(desktopTexts::showInTray(), desktopTexts::menuBarHiddenHint(),
                            boundSwitch(prefs, &Preferences::showMenuBarIcon,
                                        &Preferences::setShowMenuBarIcon,
                                        &Preferences::showMenuBarIconChanged)));
    addGroup(startup);

    auto* pasting = new FormGroup("Pasting");
    pasting->addRow(formRow("Paste into the active app", desktopTexts::pasteYourselfHint(),
                            boundSwitch(prefs, &Preferences::pasteDirectly, &Preferences::setPasteDirectly,
                                        &Preferences::pasteDirectlyChanged)));
    // X11 has no permission to ask for: the row only tells whether the paste chord can be typed,
    // and what to change when it cannot.
    auto* status = new QWidget;
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(4);
    stateSymbol_ = new QLabel;
    stateSymbol_->setFixedSize(14, 14);
    stateText_ = new QLabel;
    statusLayout->addWidget(stateSymbol_);
    statusLayout->addWidget(stateText_);
    QWidget* keystrokeRow = formRow(desktopTexts::pasteKeystrokeTitle(), QStringLiteral(" "), status);
    keystrokeDetail_ = keystrokeRow->findChild<QLabel*>("subtitle");
    pasting->addRow(keystrokeRow);
    addGroup(pasting);

    auto* sound = new FormGroup("Sound");
    sound->addRow(formRow("Play a sound when something is copied", {},
                          boundSwitch(prefs, &Preferences::playSound, &Preferences::setPlaySound,
                                      &Preferences::playSoundChanged)));
    addGroup(sound);
    addStretch();

    setTrusted(trusted_);
    timer_ = services.clock.every(1.0, 0.0, [this] { setTrusted(services_.keySynthesiser.isTrusted()); });
}

void GeneralPage::setTrusted(bool trusted) {
    trusted_ = trusted;
    const char* symbol = trusted ? "checkmark.circle.fill" : "exclamationmark.triangle.fill";
    stateSymbol_->setPixmap(symbolPixmap(symbol, 14, trusted ? tintGreen() : tintOrange(), devicePixelRatioF()));
    stateSymbol_->setObjectName(symbol);
    stateText_->setText(desktopTexts::pasteKeystrokeState(trusted));
    keystrokeDetail_->setText(desktopTexts::pasteKeystrokeDetail(trusted, services_.keySynthesiser.mechanism()));
}

}  // namespace mendrake
