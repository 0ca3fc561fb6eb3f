// A Shockwave Flash control for the native unit tests.
//
// Every control created through `FakeFlashControls` writes what it receives
// into the factory's log, one line per call ("Create", "PlaceIn 350x150",
// "ScaleMode 0", "Movie C:\x.swf", "Play", "Destroy", ...). A test makes
// creation or any call fail by its count, reads how many controls exist, and
// raises the movie's FSCommand event on the newest control.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "flash_control.h"

namespace fake {

class FakeFlashControl;

class FakeFlashControls : public flash::FlashControlFactory {
 public:
  // The COM result a failing call reports (E_FAIL).
  static constexpr int32_t kFailure = static_cast<int32_t>(0x80004005u);

  // What FlashVersion answers.
  int32_t version = 0x60000;
  // The first this many creations fail (class not registered).
  int failCreations = 0;
  // Decides whether a call fails: the call's name ("Create", "PlaceIn",
  // "FSCommandHandler", "Movie", "ScaleMode", "WMode", "Menu", "SetVariable",
  // "Play", "StopPlay", "FlashVersion", "Focus") and how many calls of that
  // name there were so far, this one included. None: no call fails.
  std::function<bool(const std::string& call, int number)> fails;

  std::vector<std::string> log;
  std::map<std::string, int> calls;  // calls by name, failed ones included
  int alive = 0;                     // controls not yet destroyed
  int shown = 0;                     // controls that were given a parent window

  std::unique_ptr<flash::FlashControl> Create() override;

  // Raises OnFSCommand on the newest live control; false when none listens.
  bool FireFSCommand(const std::string& command, const std::string& args);
  // Log lines of one kind of call, in order (the name and what follows it).
  std::vector<std::string> Lines(const std::string& call) const;

 private:
  friend class FakeFlashControl;
  // Counts and logs the call; throws ControlError when it is to fail.
  void Call(const std::string& call, const std::string& detail = "");
  FakeFlashControl* newest_ = nullptr;
};

}  // namespace fake
