#include "platform/foundation/Bundle.h"

#include "platform/foundation/SharedInstance.h"

Bundle& Bundle::mainBundle()
{
    return SharedInstance<Bundle>::get();
}

Bundle::InfoDictionary Bundle::infoDictionary() const
{
    std::lock_guard guard(m_mutex);
    return m_infoDictionary;
}

void Bundle::setInfoDictionary(InfoDictionary dictionary)
{
    std::lock_guard guard(m_mutex);
    m_infoDictionary = std::move(dictionary);
}

std::optional<std::string> Bundle::objectForInfoDictionaryKey(const std::string& key) const
{
    std::lock_guard guard(m_mutex);
    auto found = m_infoDictionary.find(key);
    if (found == m_infoDictionary.end())
        return std::nullopt;
    return found->second;
}

std::filesystem::path Bundle::resourcePath() const
{
    std::lock_guard guard(m_mutex);
    return m_resourcePath;
}

void Bundle::setResourcePath(std::filesystem::path path)
{
    std::lock_guard guard(m_mutex);
    m_resourcePath = std::move(path);
}

std::optional<std::filesystem::path> Bundle::pathForResource(const std::string& name, const std::string& ext) const
{
    std::filesystem::path folder = resourcePath();
    if (folder.empty() || name.empty())
        return std::nullopt;
    std::filesystem::path relative(ext.empty() ? name : name + "." + ext);
    if (relative.is_absolute())
        return std::nullopt;
    for (const auto& component : relative) {
        if (component == "..")
            return std::nullopt;
    }
    std::filesystem::path candidate = folder / relative;
    std::error_code error;
    if (!std::filesystem::exists(candidate, error))
        return std::nullopt;
    return candidate;
}
