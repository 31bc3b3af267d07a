#pragma once
// A coloured tile with a white symbol, as used beside sidebar rows and statement rows:
// a rounded square of edge `size` filled with a gradient of `tint`, the symbol centred at 0.55 x size.

#include <QColor>
#include <QString>
#include <QWidget>

namespace mendrake {

class SettingsIcon : public QWidget {
    Q_OBJECT
public:
    SettingsIcon(QString symbol, QColor tint, int size = 20, QWidget* parent = nullptr);

    const QString& symbol() const { return symbol_; }
    QColor tint() const { return tint_; }

    // The tile as a picture, for list rows that take an icon.
    static QPixmap render(const QString& symbol, const QColor& tint, int size, qreal dpr = 1.0);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString symbol_;
    QColor tint_;
    int size_;
};

}  // namespace mendrake
