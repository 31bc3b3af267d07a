#include "prefs/NotificationCenter.h"

#include <QThread>

#include <vector>

namespace mendrake {

NotificationCenter::NotificationCenter(QObject* parent) : QObject(parent) {}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name,
                                                          std::function<void()> handler) {
    const Token token = nextToken_++;
    observers_.emplace(token, Observer{name, std::move(handler)});
    return token;
}

void NotificationCenter::removeObserver(Token token) { observers_.erase(token); }

void NotificationCenter::post(const QString& name) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, name] { deliver(name); }, Qt::QueuedConnection);
        return;
    }
    deliver(name);
}

void NotificationCenter::deliver(const QString& name) {
    // Tokens first, then a fresh lookup per call: a handler may add or remove observers.
    std::vector<Token> tokens;
    for (const auto& [token, observer] : observers_)
        if (observer.name == name) tokens.push_back(token);
    for (Token token : tokens) {
        const auto it = observers_.find(token);
        if (it == observers_.end()) continue;
        auto handler = it->second.handler;
        handler();
    }
}

}  // namespace mendrake
