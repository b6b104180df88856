#include "database/UndoLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "support/PathUtils.h"
#include "support/StringUtils.h"

namespace {

std::wstring LogFolder()
{
    std::wstring folder;
    orbisk::utils::GetTempFolder(folder);
    if (folder.empty())
        folder = L"/tmp";
    if (folder.back() != L'/')
        folder += L'/';
    return folder;
}

// The file opened for writing and locked against other writers, truncated; null when it cannot
// be opened or another open file holds the lock.
std::FILE* OpenExclusive(const std::wstring& path)
{
    const int descriptor = open(orbisk::utils::ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return nullptr;
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0 || ftruncate(descriptor, 0) != 0) {
        close(descriptor);
        return nullptr;
    }
    std::FILE* file = fdopen(descriptor, "w");
    if (!file)
        close(descriptor);
    return file;
}

}  // namespace

CUndoLog::CUndoLog()
{
    const std::wstring folder = LogFolder();
    for (int index = 0; index < kMaxFiles; ++index) {
        std::wstring path = folder + L"ZephyronUndo" + std::to_wstring(index) + L".log";
        if ((m_file = OpenExclusive(path))) {
            m_path = std::move(path);
            return;
        }
    }
}

CUndoLog::~CUndoLog()
{
    if (m_file)
        std::fclose(m_file);
}

void CUndoLog::Write(const wchar_t* text)
{
    if (!m_file || !text)
        return;
    std::fputs(orbisk::utils::ToUtf8(text).c_str(), m_file);
    std::fflush(m_file);
}
