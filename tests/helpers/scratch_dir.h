// A folder of the test's own under the current one, made at construction and
// removed with everything in it at destruction, for tests that need files and
// folder trees on disk, natively and under Wine alike.
#ifndef TL_TESTS_HELPERS_SCRATCH_DIR_H
#define TL_TESTS_HELPERS_SCRATCH_DIR_H

#include <string>
#include <vector>

class ScratchDir
{
public:
    // The folder "scratch-<name>"; one left by an earlier run is emptied.
    explicit ScratchDir(const std::string &name);
    ~ScratchDir();
    // The folder's path with a separator at the end.
    const std::string &path() const { return path_; }
    // Writes text to the file at relative (folders separated by "/"), making
    // the folders it needs. Returns the file's full path.
    std::string put(const std::string &relative, const std::string &text);
    // Makes the folder relative and the ones above it. Returns its full path.
    std::string folder(const std::string &relative);
    // Makes a link at relative that leads to the folder target (a path
    // relative to the link's folder). False where the system makes none.
    bool link(const std::string &relative, const std::string &target);

private:
    std::string full(const std::string &relative) const;
    std::string path_;
#ifdef _WIN32
    std::vector<std::string> links_; // removed first: the system's removal may walk into them
#endif
};

#endif
