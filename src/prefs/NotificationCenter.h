#pragma once
// NotificationCenter: named notifications with no payload, such as "MendrakeHotKeyChanged".
//
// `post` delivers to every observer of the name, in the order they were added, before it returns
// when called on the centre's thread (the main thread); a post from another thread is queued to the
// main thread and delivered there. An observer removed while a post is being delivered (even by an
// earlier observer of the same post) is not called. The application creates one centre and hands
// it to whoever posts or observes.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>

namespace mendrake {

inline const QString hotKeyChangedNotification = QStringLiteral("MendrakeHotKeyChanged");
inline const QString menuBarIconChangedNotification = QStringLiteral("MendrakeMenuBarIconChanged");
inline const QString historyLimitsChangedNotification = QStringLiteral("MendrakeHistoryLimitsChanged");

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Token = std::uint64_t;

    explicit NotificationCenter(QObject* parent = nullptr);

    // Returns a token for removeObserver; tokens are never 0.
    Token addObserver(const QString& name, std::function<void()> handler);
    void removeObserver(Token token);
    void post(const QString& name);

private:
    void deliver(const QString& name);

    struct Observer {
        QString name;
        std::function<void()> handler;
    };
    Token nextToken_ = 1;
    std::map<Token, Observer> observers_;
};

}  // namespace mendrake
