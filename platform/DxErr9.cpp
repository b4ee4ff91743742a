#include "platform/DxErr9.h"

namespace {

struct ErrorEntry {
    uint32_t code;
    const char* name;
    const char* description;
};

// Sorted by nothing in particular: the table is small and looked up only when something failed.
constexpr ErrorEntry kErrors[] = {
    {0x00000000u, "S_OK", "The call succeeded."},
    {0x00000001u, "S_FALSE", "The call succeeded but had nothing to do."},
    {0x80004001u, "E_NOTIMPL", "The function is not implemented."},
    {0x80004002u, "E_NOINTERFACE", "The requested interface is not supported."},
    {0x80004003u, "E_POINTER", "An invalid pointer was passed."},
    {0x80004004u, "E_ABORT", "The operation was aborted."},
    {0x80004005u, "E_FAIL", "An undetermined error occurred."},
    {0x80070002u, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified."},
    {0x8007000Eu, "E_OUTOFMEMORY", "There is not enough memory to complete the call."},
    {0x80070057u, "E_INVALIDARG", "An invalid argument was passed."},
    {0x80040110u, "CLASS_E_NOAGGREGATION", "The class cannot be created as part of an aggregate."},
    {0x80040154u, "REGDB_E_CLASSNOTREG", "The class is not registered."},
    {0x800401F0u, "CO_E_NOTINITIALIZED", "COM has not been initialised on this thread."},
    // Direct3D 9 and D3DX
    {0x88760818u, "D3DERR_WRONGTEXTUREFORMAT", "The pixel format of the texture is not supported."},
    {0x88760827u, "D3DERR_DRIVERINTERNALERROR", "The driver reported an internal error."},
    {0x88760866u, "D3DERR_NOTFOUND", "The requested item was not found."},
    {0x88760867u, "D3DERR_MOREDATA", "There is more data than the buffer can hold."},
    {0x88760868u, "D3DERR_DEVICELOST", "The device has been lost and cannot be reset yet."},
    {0x88760869u, "D3DERR_DEVICENOTRESET", "The device has been lost and can be reset now."},
    {0x8876086Au, "D3DERR_NOTAVAILABLE", "The requested feature is not available."},
    {0x8876017Cu, "D3DERR_OUTOFVIDEOMEMORY", "There is not enough display memory."},
    {0x8876086Cu, "D3DERR_INVALIDCALL", "The call is invalid, for example a parameter is wrong."},
    {0x8876021Cu, "D3DERR_WASSTILLDRAWING", "The surface is still being drawn to."},
    {0x88760B59u, "D3DXERR_INVALIDDATA", "The data is invalid."},
    // DirectDraw
    {0x887601C2u, "DDERR_SURFACELOST", "The surface memory has been lost and must be restored."},
    {0x88760091u, "DDERR_INVALIDPIXELFORMAT", "The pixel format is invalid."},
    // DirectSound
    {0x8878000Au, "DSERR_ALLOCATED", "The resource is already in use by another caller."},
    {0x8878001Eu, "DSERR_CONTROLUNAVAIL", "The buffer does not have the requested control."},
    {0x88780032u, "DSERR_INVALIDCALL", "The call is not valid in the object's current state."},
    {0x88780046u, "DSERR_PRIOLEVELNEEDED", "The caller does not have the needed priority level."},
    {0x88780064u, "DSERR_BADFORMAT", "The wave format is not supported."},
    {0x88780078u, "DSERR_NODRIVER", "No sound driver is available."},
    {0x88780082u, "DSERR_ALREADYINITIALIZED", "The object is already initialised."},
    {0x88780096u, "DSERR_BUFFERLOST", "The buffer memory has been lost and must be restored."},
    {0x887800A0u, "DSERR_OTHERAPPHASPRIO", "Another application has a higher priority level."},
    {0x887800AAu, "DSERR_UNINITIALIZED", "The object has not been initialised."},
    // DirectShow
    {0x80040216u, "VFW_E_NOT_FOUND", "An object or name was not found."},
    {0x80040217u, "VFW_E_CANNOT_CONNECT", "No combination of filters could be found to make the connection."},
    {0x80040218u, "VFW_E_CANNOT_RENDER", "No combination of filters could be found to render the stream."},
    {0x8004022Au, "VFW_E_TYPE_NOT_ACCEPTED", "The media type is not accepted."},
    {0x8004022Fu, "VFW_E_INVALID_FILE_FORMAT", "The file format is invalid."},
    {0x80040240u, "VFW_E_UNKNOWN_FILE_TYPE", "The media type of the file is not recognised."},
};

const ErrorEntry* Find(HRESULT result) {
    for (const ErrorEntry& entry : kErrors)
        if (entry.code == static_cast<uint32_t>(result)) return &entry;
    return nullptr;
}

}  // namespace

const char* DXGetErrorString9A(HRESULT result) {
    const ErrorEntry* entry = Find(result);
    return entry ? entry->name : "Unknown";
}

const char* DXGetErrorDescription9A(HRESULT result) {
    const ErrorEntry* entry = Find(result);
    return entry ? entry->description : "n/a";
}
