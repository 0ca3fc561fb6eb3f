#include "motion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace engine {

Bouncer::Bouncer(Extent area, Extent item, uint32_t speed) : speed_(speed) {
  Resize(area, item);
  // Different starting phases keep the item off the area's diagonal.
  x_.phase = std::max(0, x_.room) / 3.0;
  y_.phase = std::max(0, y_.room) / 5.0;
}

void Bouncer::Resize(Extent area, Extent item) {
  x_.SetRoom(area.width - item.width);
  y_.SetRoom(area.height - item.height);
}

void Bouncer::Axis::SetRoom(int newRoom) {
  const double position = Position();
  const bool goingBack = room > 0 && phase > room;
  room = newRoom;
  if (room <= 0) {
    phase = 0;
    return;
  }
  const double kept = std::clamp(position, 0.0, static_cast<double>(room));
  phase = goingBack ? 2.0 * room - kept : kept;
}

void Bouncer::Axis::Step(double distance) {
  if (room > 0) phase = std::fmod(phase + distance, 2.0 * room);
}

double Bouncer::Axis::Position() const {
  if (room <= 0) return room / 2.0;
  return phase <= room ? phase : 2.0 * room - phase;
}

Point Bouncer::Advance(uint32_t elapsedMs) {
  const double distance = speed_ * elapsedMs / 1000.0;
  x_.Step(distance);
  y_.Step(distance);
  return Position();
}

Point Bouncer::Position() const {
  return Point{static_cast<int>(std::lround(x_.Position())),
               static_cast<int>(std::lround(y_.Position()))};
}

bool MouseWatch::MovedFar(Point cursor) {
  if (!hasOrigin_) {
    origin_ = cursor;
    hasOrigin_ = true;
    return false;
  }
  return std::abs(cursor.x - origin_.x) > threshold_ || std::abs(cursor.y - origin_.y) > threshold_;
}

}  // namespace engine
