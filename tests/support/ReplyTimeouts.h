#pragma once
// Reply time-outs for transports talking to emulated boards: long enough for
// a board that answers on a slow, loaded machine; short only where a silent
// board is meant to fail fast.
constexpr int answerTimeoutMs = 1000;
constexpr int silenceTimeoutMs = 100;
