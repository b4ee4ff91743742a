// Helpers for tests that draw on the Direct3D stand-in device: an owning handle for the platform's
// counted objects, a device of a given back-buffer size, filters over the call record, and in-memory
// image files (PNG, JPEG, TGA, BMP through stb_image_write; DDS written field by field).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Direct3DDevice9.h"
#include "platform/PlatformFaults.h"

struct D3DRelease {
    template <class T>
    void operator()(T* object) const {
        if (object) object->Release();
    }
};
// Owns one reference to a platform object (device, resource, effect, pool, buffer).
template <class T>
using D3DPtr = std::unique_ptr<T, D3DRelease>;

// Whether a test's device keeps a record of its calls. Only a test that reads the record asks for it
// (IDirect3DDevice9::SetRecording): Calls() refuses on a device that never recorded.
enum class DeviceRecording { Off, On };

// A device with a back buffer of width x height and a depth buffer, recording nothing.
D3DPtr<IDirect3DDevice9> MakeTestDevice(UINT width = 1024, UINT height = 768);
// The same device, recording every call from its first.
D3DPtr<IDirect3DDevice9> MakeRecordingDevice(UINT width = 1024, UINT height = 768);

// Arms a failure of a device, resource, D3DX or effect call in PlatformFaults (see PlatformReset):
// after `skip` calls go through, the next `count` calls give `result`.
inline void ArmD3DFailure(D3DCall call, HRESULT result, int count = 1, int skip = 0) {
    PlatformFaults::Arm(D3DCallName(call), result, count, skip);
}

// The records of one kind of call, in order.
std::vector<D3DCallRecord> CallsOf(const IDirect3DDevice9& device, D3DCall call);
// Every record, one Describe line each, for failure messages.
std::string DescribeCalls(const IDirect3DDevice9& device);

// A width x height image whose texel (x, y) has red x, green y, blue 7 and alpha 200 (or 255 when
// `alpha` is false), encoded as a file.
enum class ImageKind { Png, Jpeg, Tga, Bmp };
std::vector<uint8_t> MakeImageFile(ImageKind kind, int width, int height, bool alpha = true);

// A DDS file of the given format (A8R8G8B8, X8R8G8B8, DXT1, DXT3, DXT5) with `mips` levels, six faces when
// `cube`, texels filled with the byte pattern 0, 1, 2, ... per face.
std::vector<uint8_t> MakeDdsFile(D3DFORMAT format, uint32_t width, uint32_t height, uint32_t mips = 1,
                                 bool cube = false);
