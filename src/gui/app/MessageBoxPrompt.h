#pragma once

#include "core/common/PlatformServices.h"

class QWidget;

namespace vantrel {

// Message boxes over a parent window, captioned with the application title.
class MessageBoxPrompt : public Prompt
{
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void error(const QString &text) override;
    void information(const QString &text) override;

private:
    QWidget *m_parent;
};

} // namespace vantrel
