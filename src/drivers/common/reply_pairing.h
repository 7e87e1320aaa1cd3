#pragma once
// Pairing of register replies with their requests on a bulk reply endpoint.
//
// The measuring controllers answer every read request with one frame on
// their reply endpoint.  A reply that comes too late for its request (after
// that request's time-out) stays in the pipe and would be taken for the
// answer to the next request, and so on for every later one; the controller
// keeps it across a reconnect.  So a reply that does not answer the request
// under way is dropped and the next one read while the request's time-out
// lasts, and the replies left in the pipe are drained after a time-out and
// when a link opens, before the next request goes out.

#include <cstdint>
#include <functional>

#include "drivers/common/usb01.h"

namespace drivers {

// Replies read and dropped at most while one request waits for its answer.
constexpr int kMaxDroppedReplies = 8;
// What one read of a drain waits for a reply still under way (ms); the
// replies already in the pipe come at once.
constexpr int kDrainWaitMs = 20;
// Frames drained at most in one go.
constexpr int kMaxDrainedReplies = 64;

using ReplyCheck = std::function<bool(const std::uint8_t* frame, int got)>;

// Reads replies of at most `size` bytes into `frame` until `answers` holds
// for one, within `timeoutMs` of the driver's time base in all; every other
// reply goes to `dropped`.  Returns the answering reply's byte count, or the
// failed read's result (negative: -ETIMEDOUT when the time ran out or only
// foreign replies came).
int readAnswer(Usb01& usb, Usb01Handle* h, int endpoint, std::uint8_t* frame, int size, int timeoutMs,
               const ReplyCheck& answers, const ReplyCheck& dropped);

// Reads and drops what waits on the endpoint; returns the number of frames dropped.
int drainReplies(Usb01& usb, Usb01Handle* h, int endpoint, int size);

}  // namespace drivers
