#pragma once
// An on/off switch drawn as a pill with a knob; a checkable button.

#include <QAbstractButton>

namespace mendrake {

class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {38, 22}; }

protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace mendrake
