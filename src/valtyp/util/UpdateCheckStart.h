#pragma once
// Whether this start checks for a newer version: about one start in four, and
// never while the user has switched the check off. The check itself runs in
// the background and reports to the view; whoever provides it plugs it in as
// an UpdateCheck.

#include <functional>
#include <memory>

class UpdateWorker;
class UpdateWorkerView;

namespace UpdateCheckStart {

// Makes the check that reports to the view; the caller starts it and keeps
// it until it is done.
using UpdateCheck = std::function<std::unique_ptr<UpdateWorker>(UpdateWorkerView& view)>;
// Draws a whole number from 0 to 3, each equally likely.
using Draw = std::function<int()>;

// A draw from a generator seeded once from the system's random source.
Draw uniformDraw();

// Draws only when the check is switched on; true when the draw was 0.
bool drawn(bool checkForUpdates, const Draw& draw);

}  // namespace UpdateCheckStart
