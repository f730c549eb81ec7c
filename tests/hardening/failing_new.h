// A global operator new for tests that can be told to fail one request: after
// fail_request(n), the n-th storage request throws std::bad_alloc (the
// nothrow forms return null). Linked only into the allocation-failure tests.
#pragma once

#include <cstddef>

namespace failing_new {

// Starts counting requests; the n-th one fails (0: none fails).
void fail_request(std::size_t n);
// Stops counting and gives the number of requests since fail_request.
std::size_t stop();
// True when the request chosen by fail_request has come and failed.
bool fired();

}  // namespace failing_new
