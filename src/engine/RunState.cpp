#include "engine/RunState.h"

#include "platform/RunFolder.h"

namespace qb::engine {

RunState::RunState(std::string tempFolder) : m_tempFolder(std::move(tempFolder)) { }

RunState::~RunState() = default;

std::string RunState::WorkFolder()
{
    if (!m_tried) {
        m_tried = true;
        if (!m_tempFolder.empty())
            m_folder = qb::platform::RunFolder::Create(m_tempFolder);
    }
    if (!m_folder)
        return {};
    const bool slash = !m_tempFolder.empty() && m_tempFolder.back() == '\\';
    return m_folder->DrivePath() + (slash ? "\\" : "");
}

void RunState::CleanWorkFolder(const std::string& keep)
{
    if (m_folder)
        m_folder->Empty(keep);
}

}  // namespace qb::engine
