// Counting this process's threads from outside the code under test.
#pragma once

#include <chrono>

int threadCount();

// Exited threads can linger in the task list for a moment after their join.
bool threadCountSettlesAt(int expected, std::chrono::milliseconds limit = std::chrono::seconds(5));
