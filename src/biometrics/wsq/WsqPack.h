#pragma once
// The in-process WSQ interface the fingerprint services call (the WSQPACK entry points).
// Blocks returned through an out pointer belong to the caller, who releases them with
// WSQPACK_Free.

extern "C" {

// Encodes a top-down 8-bit pixel buffer. On success *data receives a block of *length bytes
// and the result is 0; on failure *data is null, *length 0 and the result non-zero.
int WSQPACK_Compress(unsigned char **data, int *length, float bitRate, const unsigned char *pixels,
                     int width, int height, int depth, int ppi, const char *comment);

// Decodes a WSQ block into a top-down 8-bit pixel buffer. On success *pixels receives the
// buffer and the result is 0; on failure *pixels is null, the sizes are 0 and the result
// non-zero. *ppi is -1 when the file does not state it; *lossy is always 1.
int WSQPACK_Uncompress(unsigned char **pixels, int *width, int *height, int *depth, int *ppi,
                       int *lossy, const unsigned char *data, int length);

// Releases a block returned by the functions above and clears the caller's pointer.
void WSQPACK_Free(unsigned char **block);
}
