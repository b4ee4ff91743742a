#include "core/files/CPFileFinder.h"

CPFileFinder::CPFileFinder(const std::string& mask) : mMask(mask) {}

HRESULT CPFileFinder::FindFirst() {
    mSearch = FindFirstFileA(mMask.c_str(), &mFindData);
    if (mSearch == INVALID_HANDLE_VALUE) return E_FAIL;
    mFoundName = mFindData.cFileName;
    FindClose(mSearch);
    mSearch = INVALID_HANDLE_VALUE;
    return S_OK;
}
