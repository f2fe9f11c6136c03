#pragma once
// The publisher's web page: the stage's web link opens it, the web export links to it.
namespace velmora {

inline constexpr char PublisherUrl[] = "https://www.example.com/velmora";

}  // namespace velmora
