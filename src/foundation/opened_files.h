// The files a load reads, told to whoever wants to know: a viewer watches
// them for changes and shows a slow load's progress by them.
#pragma once

#include <string>

// Receives the name of every file that a loader is about to read while it
// lives; when several live, the latest made receives them. Single-threaded,
// like the loaders.
class opened_files_t
{
  public:
    opened_files_t();
    virtual ~opened_files_t();
    opened_files_t(const opened_files_t&) = delete;
    opened_files_t& operator=(const opened_files_t&) = delete;

    virtual void opened(const std::string& path) = 0;

  private:
    opened_files_t* outer_;
};

// Called by the loaders before they read `path`, also when a cache spares
// them the read: a watcher must know the file all the same.
void noteOpenedFile(const std::string& path);
