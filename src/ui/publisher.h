#pragma once
// Who publishes the program, and where to reach them.

namespace inv::ui {

inline constexpr const char *kPublisherName = "Tavrisk Developer";
inline constexpr const char *kDeveloperName = "Sam Example";
inline constexpr const char *kHomepageAddress = "www.example.org";
inline constexpr const char *kHomepageUrl = "https://www.example.org/";
inline constexpr const char *kContactEmail = "inventory@example.org";
inline constexpr const char *kWebsite = "www.example.org/inventory";
inline constexpr const char *kRightsNotice = "Copyright (c) 2026 Tavrisk Developer. All rights reserved.";

} // namespace inv::ui
