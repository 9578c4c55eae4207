// The plugin: one element, dqoverlay.
#include <gst/gst.h>

#include "dq_version.h"
#include "gst_dq_overlay.h"

namespace {

gboolean PluginInit(GstPlugin* plugin) {
    return gst_element_register(plugin, "dqoverlay", GST_RANK_NONE, GST_TYPE_DQ_OVERLAY);
}

} // namespace

// The package the plugin belongs to, as gst-inspect-1.0 shows it.
#define PACKAGE "DirectQuorbit"

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, dqoverlay,
                  "Script-driven video overlays through the DirectQuorbit filter", PluginInit,
                  DQ_VERSION_TEXT, "Proprietary", "DirectQuorbit", "DirectQuorbit")
