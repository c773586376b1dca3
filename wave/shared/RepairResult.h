#pragma once

// The outcome of one repair. The values are fixed: callers map them to their
// messages by value.
enum RepairResult : int { Repaired = 0, AlreadyValid = 1, FileError = 2, Unsupported = 3 };
