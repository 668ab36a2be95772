// Notices when files on disk change, so that a viewer can load them again.
#pragma once

#include "foundation/clock.h"

#include <cstdint>
#include <set>
#include <string>
#include <utility>

// Watches the folders of the named files with inotify rather than the files
// themselves: an editor that saves by writing a new file and renaming it over
// the old one replaces the inode, and a watch on the old inode would go
// silent. Saves in place, truncate-then-write saves and rename saves are all
// seen, and the watch goes on after each of them.
//
// A save is often several writes; `changed` answers true only once the events
// for the watched files have stopped for `settleMs`, and then once per burst.
// Nothing is printed.
class file_watcher_t
{
  public:
    explicit file_watcher_t(uint32_t settleMs = 200);
    ~file_watcher_t();
    file_watcher_t(const file_watcher_t&) = delete;
    file_watcher_t& operator=(const file_watcher_t&) = delete;

    // Adds a file by name; the file itself need not exist yet. Returns false
    // when its folder cannot be watched (missing, unreadable, no inotify).
    bool watch(const std::string& path);
    // Forgets every file, before the set of files is named again.
    void clear();

    // A descriptor that becomes readable when an event waits; for a poll
    // loop. -1 when inotify could not be opened.
    int fd() const { return fd_; }

    // Reads the waiting events without blocking and answers whether the
    // watched files changed and have been quiet for `settleMs` at `nowMs`
    // (milliseconds of timeGetTime). A caller asks again from a timer.
    bool changed(uint32_t nowMs = timeGetTime());

  private:
    void drain(uint32_t nowMs);

    int fd_ = -1;
    uint32_t settleMs_;
    std::set<int> folders_;                       // watch descriptors
    std::set<std::pair<int, std::string>> files_; // folder watch, file name
    bool pending_ = false;
    uint32_t lastEvent_ = 0;
};
