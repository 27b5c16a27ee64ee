#include "cli/command_table.h"

namespace qm::cli {

const std::vector<CommandDef>& Commands() {
    static const std::vector<CommandDef> commands = {
        {"scan", "SOURCE", "scan a source and summarise what was found by type group",
         "Scans SOURCE (a disk image, or a disk or partition named by 'quillmere media') and prints how many "
         "files of each group were found.\n"
         "A whole-disk image is scanned partition by partition; IMAGE:2 scans its second entry only.\n"},
        {"list", "SOURCE", "list the files found",
         "Scans SOURCE and lists what was found: name, folder, size, times, condition, engine.\n"},
        {"recover", "SOURCE", "copy the files found into a folder",
         "Scans SOURCE and copies the files found into DIR/<group>/, never overwriting anything\n"
         "(a taken name gets a counter: IMG_1(1).JPG). SOURCE itself is only read.\n"},
        {"probe", "IMAGE", "tell the file system, size and sector size of an image",
         "Reads the first 16 KiB of IMAGE and tells its file system (FAT, NTFS, ext or unknown),\n"
         "its size and its sector size; for a whole-disk image, its partition table and partitions.\n"},
        {"media", "IMAGE", "list the disks, partitions and gaps that can be scanned or imaged",
         "Lists the disks with their partitions and the unpartitioned gaps between them: the name to\n"
         "give as SOURCE (disk1 for a whole disk, disk1:2 for its second entry), tag, file system,\n"
         "label, sizes and position in sectors, and whether the disk is removable. Reading a disk's\n"
         "sectors needs the rights for raw disk access (root, or the disk group, on Linux).\n"
         "With IMAGE, lists the partitions and gaps of a whole-disk image file the same way\n"
         "(IMAGE:2 names its second entry as a SOURCE).\n",
         true},
        {"image", "SOURCE", "copy a disk or partition into an image file",
         "Copies a disk, partition or gap (a name from 'quillmere media', or an image file) sector by\n"
         "sector into FILE.img, which can then be scanned in its place. SOURCE is only read.\n"
         "Sectors that cannot be read are written as zeros and listed in FILE.img.badsectors\n"
         "(one 'first count' line per run, counted from the image's start); the copy goes on.\n"},
    };
    return commands;
}

const CommandDef* FindCommand(const std::string& name) {
    for (const CommandDef& command : Commands())
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace qm::cli
