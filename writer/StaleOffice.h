// What identifies the office running in a profile slot, kept beside the slot: an office whose run was
// killed, or that a crash left behind, still holds its profile, and a new office started on that
// profile would only hand its arguments to it and leave.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace writer {

// Records the office just started on the profile: its pid, its start time and its pipe's name.
void recordOffice(const std::filesystem::path& profile, pid_t pid, const std::string& pipeName);

// Ends any office still running on the profile: the one recorded, when it is still that same
// process, and any office of this user started with this profile. Never touches another process.
// Throws Exception when one does not go.
void endStaleOffices(const std::filesystem::path& profile);

}  // namespace writer
