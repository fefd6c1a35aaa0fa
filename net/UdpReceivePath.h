// The receive thread's last step on its own: keeping one received datagram in a
// component's buffer, where OnDataReceived's handler reads it with ReadBuffer.
// Tests and fuzz targets drive this step without a socket or a thread.
#pragma once

#include <cstddef>

#include "net/Udp.h"

struct TUDPReceivePath {
    // Keeps size bytes of data as the receive thread does: the buffer is made
    // BufferLength bytes long when it is not already, the data is cut to
    // BufferLength - 1 bytes and a zero follows it. Returns the bytes kept, which
    // ReadBuffer then gives out (with UseThread set), or -1 when BufferLength is
    // 0 or no buffer could be had. It holds the buffer's lock as ReadBuffer does.
    static int Store(TUDP& udp, const void* data, std::size_t size);
};
