// Places and warnings: where in a manifest a value was written, for the
// messages of refusals ("m.txt:12: slot 3 ...") and warnings, and the
// warnings of a build, shown as they are found.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pack_error.h"

namespace saverpack {

// A manifest file and the line of each key it gives.
struct ManifestPlaces {
  std::string origin;                // the manifest as named on the command line
  std::map<std::string, int> lines;  // key -> 1-based line

  // "origin:line" for a key the manifest gives, "origin" for one it does
  // not, "" when there is no manifest (contents made in memory).
  std::string Where(const std::string& key) const {
    if (origin.empty()) return {};
    const auto it = lines.find(key);
    return it == lines.end() ? origin : origin + ":" + std::to_string(it->second);
  }
  // Where() of the first of `keys` that the manifest gives.
  std::string WhereAny(std::initializer_list<std::string> keys) const {
    for (const std::string& key : keys) {
      if (lines.contains(key)) return Where(key);
    }
    return Where({});
  }
};

// "where: what", or `what` alone when there is no place or `what` already
// names a place in the same file ("m.txt:15:9: ...").
inline std::string Located(const std::string& where, const std::string& what) {
  if (where.empty()) return what;
  const size_t colon = where.rfind(':');
  const bool numbered = colon != std::string::npos &&
                        where.find_first_not_of("0123456789", colon + 1) == std::string::npos;
  const std::string file = numbered ? where.substr(0, colon) : where;
  if (what.starts_with(file + ":")) return what;
  return where + ": " + what;
}

// Runs `f`; a PackError it throws is thrown again with `where` in front.
template <class F>
auto AtPlace(const std::string& where, F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const PackError& e) {
    throw PackError(Located(where, e.what()));
  }
}

// The warnings of one build: what will probably not work on the user's
// machine. Each is handed to the sink (the command line prints it at once)
// and kept.
class Warnings {
 public:
  using Sink = std::function<void(const std::string&)>;
  Warnings() = default;
  explicit Warnings(Sink sink) : sink_(std::move(sink)) {}

  // Adds "where: warning: what".
  void Add(const std::string& where, const std::string& what) {
    texts_.push_back(Located(where, "warning: " + what));
    if (sink_) sink_(texts_.back());
  }
  const std::vector<std::string>& texts() const { return texts_; }

 private:
  Sink sink_;
  std::vector<std::string> texts_;
};

// The one error line of a build that --werror stops.
inline std::string WerrorMessage(const Warnings& warnings) {
  const size_t n = warnings.texts().size();
  return std::to_string(n) + (n == 1 ? " warning" : " warnings") +
         ", and --werror makes warnings errors: nothing was written";
}

}  // namespace saverpack
