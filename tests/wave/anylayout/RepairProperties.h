#pragma once

#include "FuzzImage.h"

#include <string>

// The properties every answer of a repair rule must have, checked on one file
// image. Each check runs the rule on fresh copies of the image: a dry run, the
// repair, and after a rewrite a second run on its result. Each returns the
// first property the rule broke, in words, or an empty text when all hold.

// The canonical rule: it reads the 44-byte header alone; a rewrite touches
// bytes 4-7 and 40-43 only, gives the sizes the file's size calls for and is
// sound on the next run; every other answer leaves every byte and the time;
// the dry run answers as the repair does.
std::string checkCanonicalRule(const FuzzImage& image);

// The any-layout rule: every read lies inside the file and outside the audio
// the data chunk claims; a rewrite touches only the size fields (for RF64 the
// ds64 fields and identifiers, and the fact frame count), gives the sizes the
// file's size calls for and is sound on the next run, and a crash after any
// prefix of its writes leaves a file the rule repairs to the same bytes; every
// other answer leaves every byte and the time; the dry run answers, and names
// its reason, as the repair does; a sound AIFF file stays sound without its
// pad bytes.
std::string checkAnyLayoutRule(const FuzzImage& image);

// On a canonical 44-byte header with consistent fields followed by audio
// alone, both rules give the same answer and the same bytes. Other images
// pass unchecked.
std::string checkRulesAgree(const FuzzImage& image);
