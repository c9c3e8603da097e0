#pragma once

#include <filesystem>

// A fresh directory under the system temp dir, removed with everything in it
// when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& leaf) const { return m_path / leaf; }

private:
    std::filesystem::path m_path;
};
