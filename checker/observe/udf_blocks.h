// A disc image's blocks as libudfread reads them, each block of the volume's structure checked as
// it is handed over. libudfread allocates whatever length a descriptor names before it reads
// that much, follows chains of allocation extents as long as they point on, lists a directory's
// deleted files, reads only the first piece of a directory or metadata file recorded in several,
// and silently drops the rest of a directory from an identifier that runs past its end. So each
// file entry, file set and directory it reads is held here to what it will do with it, and a call
// into libudfread may read only so many blocks; where a block fails, the call reads no further.
#pragma once

#include <udfread/blockinput.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A file identifier of a directory as libudfread lists it.
struct UdfIdentifier {
    bool deleted = false;
    bool directory = false;
};

class UdfBlocks {
  public:
    UdfBlocks(int file, std::uint64_t bytes);
    UdfBlocks(const UdfBlocks &) = delete;
    UdfBlocks &operator=(const UdfBlocks &) = delete;

    // The reading functions libudfread is given; they stay this object's.
    udfread_block_input *Input() {
        return &callbacks_.input;
    }
    // Before each call into libudfread: what it reads (as an error names it), how many blocks it
    // may, and whether they are the volume's structure, checked, or a file's data, which are not.
    void Begin(const std::string &what, std::uint32_t allowance, bool structure);
    // What was found wrong since Begin, as the error the check ends with; empty when nothing.
    const std::string &Damage() const {
        return damage_;
    }
    // The identifiers libudfread lists of the directory read since Begin, in its order; none
    // where it read no directory.
    std::optional<std::vector<UdfIdentifier>> TakeDirectory();

  private:
    struct Callbacks {
        udfread_block_input input;
        UdfBlocks *blocks;
    };
    static int ReadCallback(udfread_block_input *input, std::uint32_t block, void *into,
                            std::uint32_t count, int flags);
    static std::uint32_t SizeCallback(udfread_block_input *input);

    int Read(std::uint32_t block, std::uint8_t *into, std::uint32_t count);
    void Check(const std::uint8_t *block);
    void CheckLogicalVolume(const std::uint8_t *block);
    void CheckFileEntry(const std::uint8_t *block, std::size_t header);
    void CheckAllocation(const std::uint8_t *descriptors, std::size_t length);
    void CheckDirectory(const std::uint8_t *bytes, std::size_t length);
    void Fail(const std::string &why);

    Callbacks callbacks_;
    int file_;
    std::uint32_t blocks_;
    std::string what_;
    std::uint32_t allowed_ = 0;
    std::uint32_t allowance_ = 0;
    bool structure_ = false;
    std::string damage_;
    int form_ = 0; // the allocation descriptors' form (short, long, extended) of the last entry
    std::size_t directoryLength_ = 0; // a directory's bytes, due after its file entry
    std::vector<std::uint8_t> directory_;
    std::optional<std::vector<UdfIdentifier>> identifiers_;
};
