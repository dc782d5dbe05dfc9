#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace vantrel {

// A value or the message that says why there is none.
template <typename T> class Expected
{
public:
    Expected(T value) : m_value(std::move(value)) {}
    static Expected failure(QString message) { return Expected(std::move(message), 0); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const T &operator*() const { return *m_value; }
    const T *operator->() const { return &*m_value; }
    const QString &error() const { return m_error; }

private:
    Expected(QString message, int) : m_error(std::move(message)) {}
    std::optional<T> m_value;
    QString m_error;
};

} // namespace vantrel
