#pragma once
// The store's error value and the result type of the store operations that can fail (opening the
// store, recording a capture, and the statement helpers).

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace mendrake {

struct StoreError {
    enum class Kind {
        sqlite,       // a message from SQLite (sqlite3_errmsg or sqlite3_exec)
        fileSystem,   // a directory or file could not be created, written or read
        propertyList  // a representation map could not be encoded
    };

    Kind kind = Kind::sqlite;
    QString message;

    static StoreError sqlite(QString message) { return {Kind::sqlite, std::move(message)}; }
    static StoreError fileSystem(QString message) { return {Kind::fileSystem, std::move(message)}; }
    static StoreError propertyList(QString message) { return {Kind::propertyList, std::move(message)}; }

    // What a user sees: "SQLite: " followed by the message for SQLite errors, the message otherwise.
    QString description() const {
        return kind == Kind::sqlite ? QStringLiteral("SQLite: ") + message : message;
    }

    bool operator==(const StoreError&) const = default;
};

// Either a value or the StoreError that prevented it.
template <class T>
class StoreResult {
public:
    StoreResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    StoreResult(StoreError error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const StoreError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, StoreError> state_;
};

}  // namespace mendrake
