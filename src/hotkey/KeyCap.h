#pragma once
// Shortcuts drawn as rows of small key caps, one word per cap: "Shift", "Super", "V".

#include "hotkey/HotKeyCombo.h"

#include <QStringList>
#include <QWidget>

namespace mendrake {

// One cap: the text on a softly filled, finely outlined rounded rectangle, at least 24 x 22.
class KeyCap : public QWidget {
    Q_OBJECT
public:
    explicit KeyCap(QString text, QWidget* parent = nullptr);
    const QString& text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
};

// Caps in a horizontal row, 4 pixels apart, centred vertically.
class KeyCaps : public QWidget {
    Q_OBJECT
public:
    explicit KeyCaps(const QStringList& keys = {}, QWidget* parent = nullptr);
    void setKeys(const QStringList& keys);
    const QStringList& keys() const { return keys_; }

private:
    QStringList keys_;
};

}  // namespace mendrake
