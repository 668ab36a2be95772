#include "foundation/file_watcher.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <sys/inotify.h>
#include <unistd.h>

namespace
{

// A truncate shows as IN_MODIFY, a write as IN_MODIFY and IN_CLOSE_WRITE, a
// rename save as IN_MOVED_TO and a delete-and-write save as IN_CREATE.
constexpr uint32_t kEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR;

// The folder and name of a file, with symbolic links resolved when the file
// exists: a save through a link lands in the folder of the file it names.
std::pair<std::string, std::string> folderAndName(const std::string& path)
{
    std::string resolved = path;
    if (char* real = realpath(path.c_str(), nullptr)) {
        resolved = real;
        std::free(real);
    }
    const size_t slash = resolved.find_last_of('/');
    if (slash == std::string::npos)
        return {".", resolved};
    return {slash == 0 ? "/" : resolved.substr(0, slash), resolved.substr(slash + 1)};
}

} // namespace

file_watcher_t::file_watcher_t(uint32_t settleMs) : settleMs_(settleMs)
{
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

file_watcher_t::~file_watcher_t()
{
    if (fd_ >= 0)
        close(fd_);
}

bool file_watcher_t::watch(const std::string& path)
{
    if (fd_ < 0)
        return false;
    const auto [folder, name] = folderAndName(path);
    const int wd = inotify_add_watch(fd_, folder.c_str(), kEvents);
    if (wd < 0)
        return false;
    folders_.insert(wd);
    files_.insert({wd, name});
    return true;
}

void file_watcher_t::clear()
{
    for (int wd : folders_)
        inotify_rm_watch(fd_, wd);
    folders_.clear();
    files_.clear();
    pending_ = false;
}

void file_watcher_t::drain(uint32_t nowMs)
{
    if (fd_ < 0)
        return;
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return; // EAGAIN: nothing more waits
        }
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            // Lost events may have named a watched file.
            bool ours = (e->mask & IN_Q_OVERFLOW) != 0;
            if (e->mask & IN_IGNORED)
                folders_.erase(e->wd); // the folder went away
            else if (e->len > 0)
                ours = ours || files_.count({e->wd, std::string(e->name)}) != 0;
            if (ours) {
                pending_ = true;
                lastEvent_ = nowMs;
            }
        }
    }
}

bool file_watcher_t::changed(uint32_t nowMs)
{
    drain(nowMs);
    // Unsigned difference: safe across the clock's wrap-around.
    if (!pending_ || nowMs - lastEvent_ < settleMs_)
        return false;
    pending_ = false;
    return true;
}
