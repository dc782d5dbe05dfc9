#pragma once

#include "core/common/PlatformServices.h"

#include <QPointer>
#include <QWidget>

namespace vantrel {

// Message boxes over a parent window, captioned with the application title.
// A box is modal to its window but never waits: it is opened and the caller
// goes on; `then` runs when the user has closed it.
class MessageBoxPrompt : public Prompt
{
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void show(Kind kind, const QString &text, Then then) override;
    void ask(const QString &text, Answer answer) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace vantrel
