#include "settings/HistoryPage.h"

#include "panel/Formatters.h"
#include "platform/Workspace.h"
#include "prefs/Preferences.h"
#include "settings/DesktopTexts.h"
#include "settings/Formatting.h"
#include "settings/PrefsBinding.h"
#include "settings/SettingsColors.h"
#include "settings/SettingsWindowController.h"
#include "store/HistoryStore.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>

namespace mendrake {

const std::vector<RetentionChoice>& retentionDayChoices() {
    static const std::vector<RetentionChoice> choices = {
        {"1 Day", 1}, {"1 Week", 7}, {"1 Month", 30}, {"1 Year", 365}, {"Forever", 0}};
    return choices;
}

const std::vector<RetentionChoice>& maxItemChoices() {
    static const std::vector<RetentionChoice> choices = {
        {"500", 500}, {"1,000", 1000}, {"5,000", 5000}, {"10,000", 10000}, {"50,000", 50000}};
    return choices;
}

namespace {

// A picker over fixed choices; a stored value that is not among them leaves it without selection.
template <typename Getter, typename Setter, typename Signal>
QComboBox* boundPicker(Preferences& prefs, const std::vector<RetentionChoice>& choices, Getter get,
                       Setter set, Signal changed) {
    auto* picker = new QComboBox;
    for (const RetentionChoice& choice : choices) picker->addItem(choice.label, choice.value);
    auto show = [picker, &prefs, get] { picker->setCurrentIndex(picker->findData((prefs.*get)())); };
    show();
    QObject::connect(picker, &QComboBox::activated, &prefs, [picker, &prefs, set](int index) {
        if (index >= 0) (prefs.*set)(picker->itemData(index).toInt());
    });
    QObject::connect(&prefs, changed, picker, show);
    return picker;
}

QLabel* valueLabel() {
    auto* label = new QLabel("0");
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

HistoryPage::HistoryPage(SettingsServices& services, QWidget* parent)
    : FormPage(parent), services_(services) {
    Preferences& prefs = services.prefs;

    auto* limits = new FormGroup({}, "Pinned items are never removed.");
    retention_ = boundPicker(prefs, retentionDayChoices(), &Preferences::retentionDays,
                             &Preferences::setRetentionDays, &Preferences::retentionDaysChanged);
    maxItems_ = boundPicker(prefs, maxItemChoices(), &Preferences::maxItems, &Preferences::setMaxItems,
                            &Preferences::maxItemsChanged);
    limits->addRow(formRow("Keep history for", {}, retention_));
    limits->addRow(formRow("Maximum items", {}, maxItems_));
    addGroup(limits);

    auto* clipboard = new FormGroup;
    clipboard->addRow(formRow("Keep the clipboard when the app that copied quits",
                              "The last copy stays available to paste until you copy something else.",
                              boundSwitch(prefs, &Preferences::keepClipboardOnOwnerQuit,
                                          &Preferences::setKeepClipboardOnOwnerQuit,
                                          &Preferences::keepClipboardOnOwnerQuitChanged)));
    addGroup(clipboard);

    auto* storage = new FormGroup("Storage");
    itemsLabel_ = valueLabel();
    bytesLabel_ = valueLabel();
    storage->addRow(formRow("Items saved", {}, itemsLabel_));
    storage->addRow(formRow("Space used", {}, bytesLabel_));
    reveal_ = new QPushButton(desktopTexts::showInFiles());
    connect(reveal_, &QPushButton::clicked, this, [this] {
        if (services_.store) services_.workspace.revealFile(services_.store->directory());
    });
    storage->addRow(formRow("Location", {}, reveal_));
    addGroup(storage);

    auto* clearing = new FormGroup;
    clear_ = new QPushButton(QString::fromUtf8("Clear History…"));
    QPalette destructive = clear_->palette();
    destructive.setColor(QPalette::ButtonText, tintRed());
    clear_->setPalette(destructive);
    connect(clear_, &QPushButton::clicked, this, [this] { askToClear(); });
    clearing->addRow(formRow("Clear history", "Remove everything, or everything except pinned items.", clear_));
    addGroup(clearing);
    addStretch();

    itemsLabel_->setText(formatItemCount(itemCount_));
    bytesLabel_->setText(byteCountString(diskBytes_));
}

void HistoryPage::showEvent(QShowEvent* event) {
    FormPage::showEvent(event);
    if (!event->spontaneous()) loadFigures();
}

void HistoryPage::loadFigures() {
    HistoryStore* store = services_.store;
    if (!store) return;
    itemCount_ = store->count();
    diskBytes_ = store->diskUsage();
    itemsLabel_->setText(formatItemCount(itemCount_));
    bytesLabel_->setText(byteCountString(diskBytes_));
}

void HistoryPage::clear(bool keepPinned) {
    if (services_.clearHistory) {
        QPointer<HistoryPage> self(this);
        services_.clearHistory(keepPinned, [self] {
            if (self) self->loadFigures();
        });
        return;
    }
    if (services_.store) {
        if (auto error = services_.store->clearHistory(keepPinned)) {
            // Nothing was deleted: say why rather than show a history that only looks cleared.
            auto* box = new QMessageBox(QMessageBox::Warning, "Clear History",
                                        "Mendrake couldn't clear the history", QMessageBox::Ok, this);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setTextFormat(Qt::PlainText);
            box->setInformativeText(Qt::convertFromPlainText(error->description()));
            box->open();
        }
        if (services_.onHistoryCleared) services_.onHistoryCleared();
    }
    loadFigures();
}

void HistoryPage::askToClear() {
    if (confirmation_) return;
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle("Clear History");
    box->setText("Clear clipboard history?");
    box->setInformativeText("This can't be undone.");
    QPushButton* allButPinned = box->addButton("Clear All but Pinned", QMessageBox::DestructiveRole);
    QPushButton* everything = box->addButton("Clear Everything", QMessageBox::DestructiveRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    connect(box, &QMessageBox::buttonClicked, this, [this, allButPinned, everything](QAbstractButton* button) {
        if (button == allButPinned) clear(true);
        else if (button == everything) clear(false);
    });
    confirmation_ = box;
    box->open();
}

}  // namespace mendrake
