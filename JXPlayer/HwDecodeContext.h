#pragma once

struct AVBufferRef;

// Hardware decoding state of a video codec context, kept in its opaque pointer. Allocated
// with malloc by the decoder and freed with the codec.
struct HwDecodeContext
{
    AVBufferRef *device; // owned reference to the hardware device context; null until made
    int hwPixelFormat;   // AVPixelFormat the device delivers; -1 = codec has no such config
    int softwareLogged;  // the fall-back to a software format was logged (once per codec)
};
