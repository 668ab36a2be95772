#pragma once

// A process-wide object that is built on first use and never destroyed: for
// registries whose entries hold GL names, since static destruction runs after
// the GL context is gone (an exit handler empties them instead).

namespace libutils
{

template <class T> T& neverDestroyed()
{
    // The union keeps T's destructor from running at exit.
    static union holder_t {
        T object;
        holder_t() : object() {}
        ~holder_t() {}
    } holder;
    return holder.object;
}

} // namespace libutils
