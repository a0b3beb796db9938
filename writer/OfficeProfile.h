// The office profiles of our own, under the user's cache directory. Never the user's own profile: a
// second office on one profile hands its work to the first. Several slots, so that runs at the same
// time each get one; a slot is locked while its office runs.
#pragma once

#include <chrono>
#include <filesystem>

namespace writer {

struct ProfileSlot {
    std::filesystem::path directory;
    int lock;  // an open descriptor holding the slot's lock; closing it frees the slot
};

// Takes a free slot, waiting for one until the deadline; ends a stale office still running on it,
// creates the profile directory (mode 0700) and writes its first settings on first use. Throws
// Exception when none can be had.
ProfileSlot acquireProfileSlot(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now());

// $XDG_CACHE_HOME/quirella, else $HOME/.cache/quirella.
std::filesystem::path cacheDirectory();

}  // namespace writer
