#include "HostileCards.h"

std::vector<HostileCard> hostileCards(bool large) {
    std::vector<HostileCard> cards;
    CardSketch::Shape shape;
    CardSketch::Entries entries;

    // FAT of 4 KiB clusters: a folder in the root, and in it another, each
    // of 255 kana and a cluster of its own, 63 deep; the deepest's chain runs
    // on through clusters of deleted recordings, which wait for a free one.
    const std::uint32_t clusters = large ? 700 : 80;
    shape.clusterShift = 3;
    shape.clusters = clusters + 12;
    CardSketch deep(0);
    deep.volume(shape, 0);
    for (std::uint32_t folder = 2; folder < 64; ++folder)
        deep.chain(folder, 1, 1, CardSketch::End::Mark);
    deep.chain(64, clusters - 62, 1, CardSketch::End::Mark);
    entries.folder = true;
    entries.nameUnits = 255;
    entries.first = 2;
    deep.entries(entries);
    entries.directory = 2;
    entries.count = 62;
    entries.stride = 128;
    entries.first = 3;
    entries.step = 1;
    deep.entries(entries);
    entries = CardSketch::Entries();
    entries.directory = 64;
    entries.count = (clusters - 62) * 128;
    entries.deleted = true;
    entries.first = clusters + 8;
    entries.size = 1 << 16;
    deep.entries(entries);
    cards.push_back({"deep-folders", deep});

    // FAT32 of 512-byte clusters whose one lost chain begins a recording and
    // then jumps a million clusters a link, past the stretches a map keeps.
    const std::uint32_t links = large ? 1 << 21 : 300000;
    shape.clusterShift = 0;
    shape.clusters = links + 100;
    // It begins where it leaves out cluster 2, the root directory's.
    const std::uint32_t head = 2 + 1000003 % (links + 100);
    CardSketch lost(0);
    lost.volume(shape, 0);
    lost.chain(head, links, 1000003, CardSketch::End::Mark);
    lost.recording(head, 1);
    cards.push_back({"shuffled-lost-chain", lost});

    // exFAT of 4 KiB clusters behind a GPT of 256 entries, all naming it,
    // with a recording under an entry of 0 bytes.
    shape.exFat = true;
    shape.clusterShift = 3;
    shape.clusters = large ? 1 << 16 : 8192;
    shape.table = CardSketch::Table::Gpt;
    shape.named = 256;
    CardSketch named(0);
    named.volume(shape, 1 << 20);
    named.chain(100, 3, 1, CardSketch::End::Mark);
    named.recording(100, 3);
    entries = CardSketch::Entries();
    entries.slot = 2;
    entries.first = 100;
    named.entries(entries);
    cards.push_back({"gpt-named-256-times", named});

    // FAT16 of 4096-byte sectors behind an MBR that counts in them, with a
    // recording under an entry of 0 bytes.
    shape = CardSketch::Shape();
    shape.sectorShift = 12;
    shape.clusters = 5000;
    shape.table = CardSketch::Table::Mbr;
    shape.tableShift = 12;
    CardSketch sectors(0);
    sectors.volume(shape, 1 << 20);
    sectors.chain(100, 2, 1, CardSketch::End::Mark);
    sectors.recording(100, 2);
    entries.slot = 0;
    sectors.entries(entries);
    cards.push_back({"4kn-mbr", sectors});

    // exFAT of 32 MiB clusters, the largest it allows, a recording in one.
    shape = CardSketch::Shape();
    shape.exFat = true;
    shape.clusterShift = 16;
    shape.clusters = 8;
    CardSketch huge(0);
    huge.volume(shape, 0);
    huge.recording(5, 1);
    cards.push_back({"exfat-32-mib-clusters", huge});

    if (large) {
        // FAT32 whose FAT of 32 M clusters is one chain, each link a million
        // clusters on, the image cut 64 MiB past the FAT.
        shape = CardSketch::Shape();
        shape.clusters = 1 << 25;
        CardSketch random((16 << 10) + (128ull << 20) + (64ull << 20), 1 << 16);
        random.volume(shape, 0);
        random.chain(1000, (1 << 25) - 200, 1000003, CardSketch::End::Mark);
        random.recording(1000, 1);
        cards.push_back({"random-fat", random});

        // exFAT of 512-byte clusters, as many as it may have: 2 TiB.
        shape = CardSketch::Shape();
        shape.exFat = true;
        shape.clusters = 0xFFFFFFF5;
        CardSketch most(0);
        most.volume(shape, 0);
        cards.push_back({"exfat-most-clusters", most});
    }
    return cards;
}
