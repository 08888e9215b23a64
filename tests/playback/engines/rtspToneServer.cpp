// Test helper: an RTSP server on 127.0.0.1 serving rtsp://127.0.0.1:PORT/live,
// a live 440 Hz tone as 128 kbit/s MP3 over RTP, shared by all clients.
// Listens on a port the system picks and prints it as the first line, so the
// test knows the server is ready without guessing ports.
#include <csignal>
#include <cstdio>
#include <glib-unix.h>
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

static gboolean Quit(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
}

int main(int argc, char** argv)
{
    gst_init(&argc, &argv);
    GstRTSPServer* server = gst_rtsp_server_new();
    gst_rtsp_server_set_address(server, "127.0.0.1");
    gst_rtsp_server_set_service(server, "0");
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(
        factory, "( audiotestsrc is-live=true wave=sine freq=440 volume=0.125"
                 " ! audio/x-raw,rate=44100,channels=2 ! lamemp3enc target=bitrate bitrate=128 cbr=true"
                 " ! mpegaudioparse ! rtpmpapay name=pay0 pt=14 )");
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server);
    gst_rtsp_mount_points_add_factory(mounts, "/live", factory);
    g_object_unref(mounts);
    if (gst_rtsp_server_attach(server, nullptr) == 0) {
        std::fprintf(stderr, "rtsp: cannot listen\n");
        return 1;
    }
    std::printf("%d\n", gst_rtsp_server_get_bound_port(server));
    std::fflush(stdout);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_unix_signal_add(SIGTERM, Quit, loop);
    g_unix_signal_add(SIGINT, Quit, loop);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    g_object_unref(server);
    return 0;
}
