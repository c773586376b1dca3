#pragma once

// Opens path with flags, retried when a signal interrupts it, and without
// updating its access time where we own it (only the owner may ask for
// that): reading a recording or a card must not count as a use of it.
// Returns the descriptor, or -1 with errno set.
int openUnread(const char* path, int flags);
