#pragma once

// How our code meets libjpeg's errors, for the decoder and the encoder alike. libjpeg reports a
// fatal error by calling error_exit, which must not return; ours jumps back to the setjmp of the
// call that drove the library. The frames in between must hold nothing but plain data: a long
// jump runs no destructor.
#include <csetjmp>
#include <cstdio>

extern "C" {
// jpeglib.h first: its configuration decides which messages jerror.h declares.
#include <jpeglib.h>

#include <jerror.h>
}

namespace lanxi::detail {

// libjpeg's error manager and the place to jump back to. A manager with more state holds this
// as its first member, so that libjpeg's pointer to `pub` is a pointer to it as well.
struct JpegErrorJump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] inline void JumpOnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorJump*>(cinfo->err)->jump, 1);
}

// Warnings and traces are not for the user; a manager that wants them sets emit_message.
inline void IgnoreJpegMessage(j_common_ptr) {}

// Sets up `err` with libjpeg's defaults, fatal errors jumping to err->jump and no output, and
// hands it to `cinfo` (before jpeg_create_*).
template <class Info>
void UseJpegErrorJump(Info* cinfo, JpegErrorJump* err) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = JumpOnJpegError;
    err->pub.output_message = IgnoreJpegMessage;
}

}  // namespace lanxi::detail
