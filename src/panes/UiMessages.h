#pragma once
// The engine's message boxes and questions, shown through the shared dialog seam.

#include "engine/PackHost.h"

class QWidget;

namespace qb::panes {

class UiMessages : public engine::MessageSink {
public:
    explicit UiMessages(QWidget* parent) : m_parent(parent) { }
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;

private:
    QWidget* m_parent;
};

}  // namespace qb::panes
