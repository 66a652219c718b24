#include "engine/ArchiveClaims.h"

#include "platform/RunFolder.h"

namespace qb::engine {

std::string ArchiveClaims::OwnerOf(const std::string& archive) const
{
    const std::string key = qb::platform::FileKey(archive);
    const auto it = m_owners.find(key);
    return key.empty() || it == m_owners.end() ? std::string() : it->second;
}

void ArchiveClaims::Claim(const std::string& archive, const std::string& folder)
{
    const std::string key = qb::platform::FileKey(archive);
    if (!key.empty())
        m_owners.emplace(key, folder);
    m_unsettled.emplace_back(archive, folder);
}

void ArchiveClaims::Settle()
{
    for (const auto& [archive, folder] : m_unsettled) {
        const std::string key = qb::platform::FileKey(archive);
        if (!key.empty())
            m_owners.emplace(key, folder);
    }
    m_unsettled.clear();
}

}  // namespace qb::engine
