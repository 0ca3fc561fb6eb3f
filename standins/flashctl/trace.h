// The control's trace for the tests: when the environment variable
// SAVER_FLASH_TRACE names a file, every line below is appended to it (UTF-8,
// CR LF, one open-append-close per line, so several controls and processes
// can share one file). Nothing is written when the variable is not set.
//
//   create                      a control object was made
//   ScaleMode=<n>               property writes, in the order received
//   WMode=<text>   Menu=<0|1>   Movie=<path>
//   SetVariable <name>=<value>
//   FlashVersion=<hex>          a version question and its answer
//   Play   StopPlay
//   FSCommand <command>|<args>  an OnFSCommand event raised to the sinks
//   movie-error <path>          Play found no readable movie (placeholder shown)
//   destroy                     the control object went away
#pragma once

#include <string>

namespace flashctl {

void Trace(const std::wstring& line);

}  // namespace flashctl
