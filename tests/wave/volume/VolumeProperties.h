#pragma once

#include "CardSketch.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How an image is read the second time, and recovered.
struct ReadingOptions {
    // The stretches the cluster map keeps, so that few make it read the FAT
    // on demand.
    std::size_t maxStretches = 1 << 18;
    // The whole aligned blocks the source takes.
    std::uint32_t block = 512;
    // Whether the recovery revives runs of sound without a header.
    bool revive = false;
    // Blocks of 512 bytes that the recovery's source fails to read.
    std::vector<std::uint64_t> failing;
};

// What the volume layer and a recovery keep over the image sketch draws,
// whatever it holds; the first property broken, empty when none is. The layer
// read directly (partition tables, boot sectors, the cluster map, chains,
// directories, lost chains) gives the same findings a second time, in whole
// blocks, with few stretches held, and each reading reads at most 16 times
// the image per volume; volumes' regions and chains lie inside them. A
// recovery's dry run reports only bytes of the image, reads at most 4 times
// the image and 96 MiB, and holds at most 32 MiB of memory beyond its budget;
// where the image is of 32 MiB at most, a recovery writes into its files only
// bytes the image holds where its ranges say, or zeros it counts unreadable.
// Images of more than 256 MiB are read by the layer alone.
std::string brokenVolumeProperty(const CardSketch& sketch, const ReadingOptions& options);
