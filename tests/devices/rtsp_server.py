"""An RTSP camera on 127.0.0.1, served by GStreamer's RTSP server: the moving test pattern as
H.264 at /h264 and as RTP/MJPEG at /mjpeg, for as many seconds as asked, then it stops.

Usage: rtsp_server.py PORT WIDTH HEIGHT FPS SECONDS
Prints "ready" once it listens.
"""
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402


def main(port, width, height, fps, seconds):
    Gst.init(None)
    source = ("videotestsrc is-live=true pattern=ball ! video/x-raw,width=%d,height=%d,"
              "framerate=%d/1 ! " % (width, height, fps))
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(port))
    mounts = server.get_mount_points()
    for path, encode in (
            ("/h264", "x264enc tune=zerolatency speed-preset=ultrafast key-int-max=%d ! "
                      "rtph264pay name=pay0 pt=96" % fps),
            # RTP/JPEG carries 4:2:0 and 4:2:2 only.
            ("/mjpeg", "videoconvert ! video/x-raw,format=I420 ! jpegenc quality=85 ! "
                       "rtpjpegpay name=pay0 pt=26")):
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch("( " + source + encode + " )")
        factory.set_shared(True)
        mounts.add_factory(path, factory)
    if server.attach(None) == 0:
        print("cannot listen on 127.0.0.1:%d" % port, flush=True)
        return 1
    print("ready", flush=True)
    loop = GLib.MainLoop()
    GLib.timeout_add_seconds(seconds, loop.quit)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main(*(int(a) for a in sys.argv[1:6])))
