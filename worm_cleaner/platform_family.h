// Which family of the platform the cleaner runs on; several steps take another way on 9x.
#pragma once

enum PlatformFamily { platform_9x = 0, platform_nt = 1, platform_unknown = -1 };

// One GetVersionExA query: NT family, 9x family (any other platform id) or unknown.
PlatformFamily is_nt_platform();

// As is_nt_platform, but a failed query is asked once more before it counts as unknown.
PlatformFamily platform_family_asked_twice();
