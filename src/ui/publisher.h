#pragma once
// Who publishes the program, and where to reach them.

namespace inv::ui {

inline constexpr const char *PublisherName = "Tavrisk Developer";
inline constexpr const char *DeveloperName = "Sam Example";
inline constexpr const char *HomepageAddress = "www.example.org";
inline constexpr const char *HomepageUrl = "https://www.example.org/";
inline constexpr const char *ContactEmail = "inventory@example.org";
inline constexpr const char *Website = "www.example.org/inventory";
inline constexpr const char *RightsNotice = "Copyright (c) 2026 Tavrisk Developer. All rights reserved.";

} // namespace inv::ui
