#pragma once
// Retention limits, the history's size on disk, its folder, and clearing it after a confirmation.
// The figures are read each time the page comes on screen and after every clear.

#include "settings/FormWidgets.h"

#include <QPointer>

class QComboBox;
#include <QMessageBox>
class QPushButton;

namespace mendrake {

struct SettingsServices;

struct RetentionChoice {
    QString label;
    int value;
};
const std::vector<RetentionChoice>& retentionDayChoices();
const std::vector<RetentionChoice>& maxItemChoices();

class HistoryPage : public FormPage {
public:
    explicit HistoryPage(SettingsServices& services, QWidget* parent = nullptr);

    qint64 itemCount() const { return itemCount_; }
    qint64 diskBytes() const { return diskBytes_; }
    QComboBox* retentionPicker() const { return retention_; }
    QComboBox* maxItemsPicker() const { return maxItems_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* showInFilesButton() const { return reveal_; }
    // The open confirmation, null when none is showing.
    QMessageBox* confirmation() const { return confirmation_; }

    void loadFigures();
    void clear(bool keepPinned);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void askToClear();

    SettingsServices& services_;
    qint64 itemCount_ = 0;
    qint64 diskBytes_ = 0;
    QComboBox* retention_;
    QComboBox* maxItems_;
    QLabel* itemsLabel_;
    QLabel* bytesLabel_;
    QPushButton* reveal_;
    QPushButton* clear_;
    QPointer<QMessageBox> confirmation_;
};

}  // namespace mendrake
