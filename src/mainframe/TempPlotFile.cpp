#include "mainframe/TempPlotFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

CTempPlotFile::CTempPlotFile(const std::string& prefix)
{
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec)
        folder = "/tmp";
    const std::string pattern = (folder / (prefix + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0) {
        m_status = Status::IoError("cannot create a temporary file in " + folder.string() + ": " +
                                 std::strerror(errno));
        return;
    }
    close(fd);
    m_path = buffer.data();
}

CTempPlotFile::~CTempPlotFile() { Remove(); }

void CTempPlotFile::Remove()
{
    if (m_path.empty())
        return;
    std::remove(m_path.c_str());
    m_path.clear();
}
