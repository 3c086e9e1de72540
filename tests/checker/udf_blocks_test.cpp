// The checks of the blocks libudfread reads of a UDF volume, over hand-built descriptors: each row
// hands blocks over in the order libudfread reads them and names what must be found wrong, and
// the identifiers listed of the directory read.
#include "observe/udf_blocks.h"

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
const std::size_t kBlock = 2048;

void Put16(Bytes *bytes, std::size_t at, std::uint16_t value) {
    (*bytes)[at] = static_cast<std::uint8_t>(value);
    (*bytes)[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes *bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, static_cast<std::uint16_t>(value));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// A descriptor tag at the start of bytes, its checksum right.
void Tag(Bytes *bytes, std::uint16_t id) {
    Put16(bytes, 0, id);
    std::uint8_t sum = 0;
    for (std::size_t at = 0; at < 16; ++at) {
        sum = static_cast<std::uint8_t>(sum + (at == 4 ? 0 : (*bytes)[at]));
    }
    (*bytes)[4] = sum;
}

// A file identifier: its flags, its name's bytes (compression first), the length of the entry
// it names.
Bytes Identifier(std::uint8_t flags, const Bytes &name, std::uint32_t entry = kBlock) {
    Bytes bytes(4 * ((38 + name.size() + 3) / 4));
    bytes[18] = flags;
    bytes[19] = static_cast<std::uint8_t>(name.size());
    Put32(&bytes, 20, entry);
    std::copy(name.begin(), name.end(), bytes.begin() + 38);
    Tag(&bytes, 257);
    return bytes;
}

Bytes Name(const std::string &text) {
    Bytes name{8};
    name.insert(name.end(), text.begin(), text.end());
    return name;
}

Bytes Joined(const std::vector<Bytes> &pieces) {
    Bytes joined;
    for (const Bytes &piece : pieces) {
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    return joined;
}

// A file entry of a type (4 a directory, 5 a file) whose allocation is of a form (0 short
// descriptors, 3 the data themselves), then what the allocation holds.
Bytes Entry(std::uint8_t type, std::uint16_t form, const Bytes &allocation) {
    Bytes block(kBlock);
    Put16(&block, 20, 4);
    block[27] = type;
    Put16(&block, 34, form);
    Put32(&block, 172, static_cast<std::uint32_t>(allocation.size()));
    std::copy(allocation.begin(), allocation.end(), block.begin() + 176);
    Tag(&block, 261);
    return block;
}

// Short allocation descriptors: each a length (its kind in the top two bits) and a block.
Bytes Extents(const std::vector<std::uint32_t> &lengths) {
    Bytes bytes(8 * lengths.size());
    for (std::size_t at = 0; at < lengths.size(); ++at) {
        Put32(&bytes, 8 * at, lengths[at]);
    }
    return bytes;
}

// Bytes cut into blocks, the last one filled out with zeros.
std::vector<Bytes> Blocks(Bytes bytes) {
    bytes.resize((bytes.size() + kBlock - 1) / kBlock * kBlock);
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at < bytes.size(); at += kBlock) {
        blocks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + kBlock));
    }
    return blocks;
}

struct Row {
    const char *name;
    std::vector<Bytes> blocks; // handed over one at a time, in this order
    std::uint32_t allowance;
    bool structure;
    std::string damage; // what the damage says; empty where none is found
    // deleted and directory, of each identifier listed
    std::vector<std::pair<bool, bool>> listed;
};

const Bytes kParent = Identifier(0x0A, {});
const Bytes kFiles = Joined({kParent, Identifier(0, Name("a")), Identifier(0x04, Name("b")),
                             Identifier(0x02, Bytes{16, 0, 'c'}), Identifier(0, Bytes{8})});

// A directory in blocks of its own after its entry, the first of them handed over twice: a copy
// whose tag is wrong, then the mirror's. Past a long name, deleted identifiers fill its first
// block, and the last one's crosses into the second.
struct Directory {
    std::vector<Bytes> blocks;
    std::vector<std::pair<bool, bool>> listed;
};

Directory InBlocks() {
    Directory directory;
    Bytes data = Joined({kParent, Identifier(0, Name(std::string(200, 'x')))});
    directory.listed.emplace_back(false, false);
    while (data.size() < kBlock - 20) {
        data = Joined({data, Identifier(0x04, Name("e"))});
        directory.listed.emplace_back(true, false);
    }
    data = Joined({data, Identifier(0, Name("d"))});
    directory.listed.emplace_back(false, false);
    directory.blocks = {Entry(4, 0, Extents({static_cast<std::uint32_t>(data.size())})),
                        Bytes(kBlock, 0xEE)};
    for (const Bytes &block : Blocks(data)) {
        directory.blocks.push_back(block);
    }
    return directory;
}

const Directory kInBlocks = InBlocks();

const Row kRows[] = {
    {"a directory inside its entry lists its named identifiers, the deleted one marked",
     {Entry(4, 3, kFiles)},
     8,
     true,
     "",
     {{false, false}, {true, false}, {false, true}}},
    {"a directory in blocks of its own, its first from the mirror", kInBlocks.blocks, 8, true, "",
     kInBlocks.listed},
    {"an identifier running past its directory",
     {Entry(4, 3, Bytes(kFiles.begin(), kFiles.end() - 8))},
     8,
     true,
     "a UDF file identifier that runs past its directory (a directory)",
     {}},
    {"an identifier naming an entry of 1 GiB",
     {Entry(4, 3, Joined({kParent, Identifier(0, Name("a"), (1U << 30) - 1)}))},
     8,
     true,
     "a UDF file identifier whose file entry is longer than 64 blocks (a directory)",
     {}},
    {"a directory of 16 MiB and a block",
     {Entry(4, 0, Extents({16 * 1024 * 1024 + kBlock}))},
     8,
     true,
     "a UDF directory of more than 16777216 bytes (a directory)",
     {}},
    {"a directory in two pieces",
     {Entry(4, 0, Extents({kBlock, kBlock}))},
     8,
     true,
     "a UDF directory recorded in several pieces, which this check cannot read (a directory)",
     {}},
    {"a file's next descriptors in two blocks",
     {Entry(5, 0, Extents({kBlock, 3U << 30 | 2 * kBlock}))},
     8,
     true,
     "a UDF allocation extent longer than a block (a directory)",
     {}},
    {"more blocks than allowed",
     {Bytes(kBlock), Bytes(kBlock), Bytes(kBlock)},
     2,
     true,
     "reading a directory takes more than 2 blocks",
     {}},
    {"a file's data, not checked", {Entry(4, 0, Extents({kBlock, kBlock}))}, 8, false, "", {}},
};

void PrintTo(const Row &row, std::ostream *out) {
    *out << row.name;
}

class UdfBlocksTest : public testing::TestWithParam<Row> {};

TEST_P(UdfBlocksTest, FindsWhatLibudfreadWouldFollow) {
    const Row &row = GetParam();
    const int file = memfd_create("volume", 0);
    ASSERT_GE(file, 0);
    const Bytes image = Joined(row.blocks);
    ASSERT_EQ(write(file, image.data(), image.size()), static_cast<ssize_t>(image.size()));
    UdfBlocks blocks(file, image.size());
    blocks.Begin("a directory", row.allowance, row.structure);
    udfread_block_input *input = blocks.Input();
    Bytes into(kBlock);
    for (std::uint32_t at = 0; at < row.blocks.size(); ++at) {
        const bool read = input->read(input, at, into.data(), 1, 0) == 1;
        EXPECT_EQ(read, blocks.Damage().empty()) << "block " << at;
    }
    EXPECT_EQ(blocks.Damage(), row.damage);
    std::vector<std::pair<bool, bool>> listed;
    for (const UdfIdentifier &identifier :
         blocks.TakeDirectory().value_or(std::vector<UdfIdentifier>())) {
        listed.emplace_back(identifier.deleted, identifier.directory);
    }
    EXPECT_EQ(listed, row.listed);
    close(file);
}

INSTANTIATE_TEST_SUITE_P(Rows, UdfBlocksTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row> &info) {
                             std::string name = info.param.name;
                             for (char &c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

} // namespace
