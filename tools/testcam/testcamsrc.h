/* ombrixtestcamsrc: the source element of one test camera. It offers the camera's
 * modes (raw video and/or MJPEG, each of a size and frame rate) and streams
 * whichever one downstream asks for, as a live SMPTE colour-bar picture. A camera
 * without modes fails to open. Like a real camera, it stops on request: see
 * TestcamState. */
#pragma once

#include <gst/gst.h>

G_BEGIN_DECLS
#define OMBRIX_TYPE_TESTCAM_SRC (ombrix_testcam_src_get_type ())
G_DECLARE_FINAL_TYPE (OmbrixTestcamSrc, ombrix_testcam_src, OMBRIX, TESTCAM_SRC, GstBin)

/* What happened to one camera (by serial) since the process started. A stream
 * compares these with the values when it was made: a newer unplug or failure
 * ends it with an error, a newer stall silences it. Never freed. */
typedef struct
{
  gint unplugs;
  gint failures;
  gint stalls;
  gint dark;                    /* nonzero: the picture is black */
} TestcamState;

TestcamState *ombrix_testcam_state_for (const gchar * serial);

G_END_DECLS
