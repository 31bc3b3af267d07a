#include "settings/GeneralPage.h"

#include "platform/KeySynthesiser.h"
#include "settings/DesktopTexts.h"
#include "settings/PrefsBinding.h"
#include "settings/SettingsColors.h"
#include "settings/SettingsWindowController.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace mendrake {

GeneralPage::GeneralPage(SettingsServices& services, QWidget* parent)
    : FormPage(parent), services_(services), trusted_(services.keySynthesiser.isTrusted()) {
    Preferences& prefs = services.prefs;

    auto* startup = new FormGroup;
    startup->addRow(formRow("Launch at login", "Start Mendrake quietly when you log in.",
                            boundSwitch(prefs, &Preferences::launchAtLogin, &Preferences::setLaunchAtLogin,
                                        &Preferences::launchAtLoginChanged)));
    startup->addRow(formRow("Show in menu bar", desktopTexts::menuBarHiddenHint(),
                            boundSwitch(prefs, &Preferences::showMenuBarIcon,
                                        &Preferences::setShowMenuBarIcon,
                                        &Preferences::showMenuBarIconChanged)));
    addGroup(startup);

    auto* pasting = new FormGroup("Pasting");
    pasting->addRow(formRow("Paste into the active app",
                            QString::fromUtf8("Turn off to only copy, then press ⌘V yourself."),
                            boundSwitch(prefs, &Preferences::pasteDirectly, &Preferences::setPasteDirectly,
                                        &Preferences::pasteDirectlyChanged)));
    auto* status = new QWidget;
    auto* statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    allowed_ = new QWidget;
    auto* allowedLayout = new QHBoxLayout(allowed_);
    allowedLayout->setContentsMargins(0, 0, 0, 0);
    allowedLayout->setSpacing(4);
    allowedLayout->addWidget(symbolLabel("checkmark.circle.fill", 14, tintGreen()));
    allowedLayout->addWidget(new QLabel("Allowed"));
    allow_ = new QPushButton(QString::fromUtf8("Allow…"));
    connect(allow_, &QPushButton::clicked, this, [this] { services_.keySynthesiser.requestAccessibility(); });
    statusLayout->addWidget(allowed_);
    statusLayout->addWidget(allow_);
    pasting->addRow(formRow("Accessibility access",
                            QString::fromUtf8("Needed to paste for you. Mendrake only uses it to press ⌘V."),
                            status));
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
    allowed_->setVisible(trusted);
    allow_->setVisible(!trusted);
}

}  // namespace mendrake
