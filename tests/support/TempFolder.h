// A temporary folder for a test, removed with everything in it when the object dies.
// ScopedWorkingFolder also makes it the working folder for the test's duration.
#pragma once

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return mPath; }
    // Path of a file inside the folder (slashes, as given).
    std::string File(const std::string& relative) const { return mPath + "/" + relative; }
    // Writes the bytes to the relative path, creating the folders on the way.
    void Write(const std::string& relative, const std::string& bytes) const;
    void Write(const std::string& relative, const std::vector<unsigned char>& bytes) const;
    // The whole file; empty when it cannot be read.
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    void MakeFolder(const std::string& relative) const;

private:
    std::string mPath;
};

class ScopedWorkingFolder {
public:
    ScopedWorkingFolder();
    ~ScopedWorkingFolder();
    const TempFolder& Folder() const { return mFolder; }

private:
    TempFolder mFolder;
    std::string mPrevious;
};
