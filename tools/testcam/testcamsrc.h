/* ombrixtestcamsrc: the source element of one test camera, a live 30 fps SMPTE
 * colour-bar picture of the camera's size. A camera of size 0x0 fails to open. */
#pragma once

#include <gst/gst.h>

G_BEGIN_DECLS
#define OMBRIX_TYPE_TESTCAM_SRC (ombrix_testcam_src_get_type ())
G_DECLARE_FINAL_TYPE (OmbrixTestcamSrc, ombrix_testcam_src, OMBRIX, TESTCAM_SRC, GstBin)
G_END_DECLS
