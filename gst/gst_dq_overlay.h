// The dqoverlay element: draws a script's overlay onto BGR video in place, through the
// DirectQuorbit filter hosted in a graph of its own.
#pragma once

#include <gst/video/gstvideofilter.h>

G_BEGIN_DECLS

#define GST_TYPE_DQ_OVERLAY (gst_dq_overlay_get_type())
G_DECLARE_FINAL_TYPE(GstDqOverlay, gst_dq_overlay, GST, DQ_OVERLAY, GstVideoFilter)

G_END_DECLS
