#include "core/files/CPFileFinder.h"

#include <memory>

#include "core/files/FileReadOnceScope.h"

CPFileFinder::CPFileFinder(const std::string& mask) : mMask(mask) {}

HRESULT CPFileFinder::FindFirst() {
    // A level load asks the same few masks for every object it places: within its scope each is
    // searched once (null kept: nothing matched).
    const auto* mask = reinterpret_cast<const uint8_t*>(mMask.data());
    const auto size = static_cast<uint32_t>(mMask.size());
    if (const std::shared_ptr<const void>* kept = FindKeptAnswer(KeptKind::kSearch, mask, size)) {
        if (!*kept) return E_FAIL;
        mFindData = *std::static_pointer_cast<const WIN32_FIND_DATAA>(*kept);
        mFoundName = mFindData.cFileName;
        return S_OK;
    }
    mSearch = FindFirstFileA(mMask.c_str(), &mFindData);
    if (mSearch == INVALID_HANDLE_VALUE) {
        KeepAnswer(KeptKind::kSearch, mask, size, nullptr);
        return E_FAIL;
    }
    mFoundName = mFindData.cFileName;
    FindClose(mSearch);
    mSearch = INVALID_HANDLE_VALUE;
    KeepAnswer(KeptKind::kSearch, mask, size, std::make_shared<const WIN32_FIND_DATAA>(mFindData));
    return S_OK;
}
