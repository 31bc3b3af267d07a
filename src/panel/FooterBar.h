#pragma once
// FooterBar: the key hints (Enter Paste, Alt+Enter Plain text, Ctrl+P Pin, Shift+Delete Delete) and the settings button.

#include <QToolButton>
#include <QWidget>

namespace mendrake {

class PanelViewModel;

// A key cap on a faint rounded rectangle followed by what the key does.
class KeyHint : public QWidget {
    Q_OBJECT
public:
    KeyHint(const QString& key, const QString& label, QWidget* parent);
    QString key() const { return key_; }
    QString label() const { return label_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString key_;
    QString label_;
};

class FooterBar : public QWidget {
    Q_OBJECT
public:
    FooterBar(PanelViewModel& model, QWidget* parent);
    QToolButton* settingsButton() const { return settings_; }

private:
    QToolButton* settings_;
};

}  // namespace mendrake
