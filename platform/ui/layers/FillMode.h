#pragma once

// What an animation shows outside its active time: Removed shows the model
// value, Forwards holds the end state, Backwards shows the start before the
// begin time, Both does both.
enum class FillMode { Removed, Forwards, Backwards, Both };
