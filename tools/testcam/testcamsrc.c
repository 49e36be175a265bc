#include "testcamsrc.h"

struct _OmbrixTestcamSrc
{
  GstBin parent;
  GstPad *ghost;
  GstElement *source;           /* the stream's elements, while it runs */
  GstElement *last;
  gchar *camera_name;
  gchar *serial;
  GstCaps *modes;
  TestcamState *state;
  gint unplugs_seen;
  gint failures_seen;
  gint stalls_seen;
  gint dark_shown;
  gint reported;                /* atomic: the stream's end was posted */
};

enum
{
  PROP_0,
  PROP_CAMERA_NAME,
  PROP_SERIAL,
  PROP_MODES,
};

G_DEFINE_TYPE (OmbrixTestcamSrc, ombrix_testcam_src, GST_TYPE_BIN);

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS ("video/x-raw; image/jpeg"));

static GMutex states_lock;
static GHashTable *states;      /* serial -> TestcamState */

TestcamState *
ombrix_testcam_state_for (const gchar * serial)
{
  TestcamState *state;
  g_mutex_lock (&states_lock);
  if (!states)
    states = g_hash_table_new (g_str_hash, g_str_equal);
  state = g_hash_table_lookup (states, serial);
  if (!state) {
    state = g_new0 (TestcamState, 1);
    g_hash_table_insert (states, g_strdup (serial), state);
  }
  g_mutex_unlock (&states_lock);
  return state;
}

static gboolean
has_modes (OmbrixTestcamSrc * self)
{
  return self->modes && !gst_caps_is_empty (self->modes);
}

/* Before a stream is built, downstream learns the camera's modes from the pad. */
static gboolean
ghost_query (GstPad * pad, GstObject * parent, GstQuery * query)
{
  OmbrixTestcamSrc *self = OMBRIX_TESTCAM_SRC (parent);
  GstPad *target = gst_ghost_pad_get_target (GST_GHOST_PAD (pad));
  if (target) {
    gst_object_unref (target);
    return gst_pad_query_default (pad, parent, query);
  }
  if (GST_QUERY_TYPE (query) == GST_QUERY_CAPS) {
    GstCaps *filter, *caps;
    gst_query_parse_caps (query, &filter);
    caps = has_modes (self) ? gst_caps_copy (self->modes) :
        gst_pad_get_pad_template_caps (pad);
    if (filter) {
      GstCaps *both = gst_caps_intersect_full (filter, caps,
          GST_CAPS_INTERSECT_FIRST);
      gst_caps_unref (caps);
      caps = both;
    }
    gst_query_set_caps_result (query, caps);
    gst_caps_unref (caps);
    return TRUE;
  }
  return gst_pad_query_default (pad, parent, query);
}

static void
report_end (OmbrixTestcamSrc * self, const gchar * text)
{
  if (!g_atomic_int_compare_and_exchange (&self->reported, 0, 1))
    return;
  GST_ELEMENT_ERROR (self, RESOURCE, READ, ("%s", text), (NULL));
}

/* Each frame checks what happened to the camera since the stream was made. */
static GstPadProbeReturn
on_frame (GstPad * pad, GstPadProbeInfo * info, gpointer data)
{
  OmbrixTestcamSrc *self = data;
  TestcamState *state = self->state;
  gint dark;
  (void) pad;
  (void) info;
  if (!state)
    return GST_PAD_PROBE_OK;
  if (g_atomic_int_get (&state->unplugs) != self->unplugs_seen) {
    report_end (self, "Could not read from resource: the camera was unplugged.");
    return GST_PAD_PROBE_DROP;
  }
  if (g_atomic_int_get (&state->failures) != self->failures_seen) {
    report_end (self, "The camera stopped working.");
    return GST_PAD_PROBE_DROP;
  }
  if (g_atomic_int_get (&state->stalls) != self->stalls_seen)
    return GST_PAD_PROBE_DROP;
  dark = g_atomic_int_get (&state->dark);
  if (dark != self->dark_shown) {
    self->dark_shown = dark;
    /* 2 is videotestsrc's black; 0 its SMPTE bars. */
    g_object_set (self->source, "pattern", dark ? 2 : 0, NULL);
  }
  return GST_PAD_PROBE_OK;
}

static void
take_snapshot (OmbrixTestcamSrc * self)
{
  if (!self->serial)
    return;
  self->state = ombrix_testcam_state_for (self->serial);
  self->unplugs_seen = g_atomic_int_get (&self->state->unplugs);
  self->failures_seen = g_atomic_int_get (&self->state->failures);
  self->stalls_seen = g_atomic_int_get (&self->state->stalls);
  self->dark_shown = -1;
}

/* Builds the stream for the mode downstream accepts: bars of that size and rate,
 * JPEG-encoded for an MJPEG mode. */
static gboolean
build_stream (OmbrixTestcamSrc * self)
{
  GstCaps *peer = gst_pad_peer_query_caps (self->ghost, NULL);
  GstCaps *chosen = gst_caps_intersect_full (self->modes, peer,
      GST_CAPS_INTERSECT_FIRST);
  GstElement *filter;
  GstStructure *s;
  GstPad *pad;
  gst_caps_unref (peer);
  if (gst_caps_is_empty (chosen)) {
    gst_caps_unref (chosen);
    GST_ELEMENT_ERROR (self, CORE, NEGOTIATION,
        ("The camera \"%s\" offers no mode that is accepted.",
            self->camera_name ? self->camera_name : ""), (NULL));
    return FALSE;
  }
  chosen = gst_caps_fixate (chosen);
  s = gst_caps_get_structure (chosen, 0);

  self->source = gst_element_factory_make ("videotestsrc", "bars");
  filter = gst_element_factory_make ("capsfilter", "mode");
  g_object_set (self->source, "is-live", TRUE, NULL);
  gst_bin_add_many (GST_BIN (self), self->source, filter, NULL);
  gst_element_link (self->source, filter);
  self->last = filter;
  if (gst_structure_has_name (s, "image/jpeg")) {
    GstCaps *raw = gst_caps_copy (chosen);
    GstElement *encoder = gst_element_factory_make ("jpegenc", "mjpeg");
    gst_structure_set_name (gst_caps_get_structure (raw, 0), "video/x-raw");
    gst_caps_set_simple (raw, "format", G_TYPE_STRING, "I420", NULL);
    g_object_set (filter, "caps", raw, NULL);
    gst_caps_unref (raw);
    gst_bin_add (GST_BIN (self), encoder);
    gst_element_link (filter, encoder);
    self->last = encoder;
  } else {
    g_object_set (filter, "caps", chosen, NULL);
  }
  gst_caps_unref (chosen);

  pad = gst_element_get_static_pad (self->source, "src");
  gst_pad_add_probe (pad, GST_PAD_PROBE_TYPE_BUFFER, on_frame, self, NULL);
  gst_object_unref (pad);
  pad = gst_element_get_static_pad (self->last, "src");
  gst_ghost_pad_set_target (GST_GHOST_PAD (self->ghost), pad);
  gst_object_unref (pad);
  return TRUE;
}

static void
tear_down_stream (OmbrixTestcamSrc * self)
{
  GList *children;
  if (!self->source)
    return;
  gst_ghost_pad_set_target (GST_GHOST_PAD (self->ghost), NULL);
  children = g_list_copy (GST_BIN_CHILDREN (self));
  g_list_foreach (children, (GFunc) (void (*)(void)) gst_object_ref, NULL);
  for (GList * l = children; l; l = l->next) {
    gst_element_set_state (l->data, GST_STATE_NULL);
    gst_bin_remove (GST_BIN (self), l->data);
  }
  g_list_free_full (children, gst_object_unref);
  self->source = self->last = NULL;
}

static GstStateChangeReturn
ombrix_testcam_src_change_state (GstElement * element, GstStateChange transition)
{
  OmbrixTestcamSrc *self = OMBRIX_TESTCAM_SRC (element);
  GstStateChangeReturn rc;
  if (transition == GST_STATE_CHANGE_NULL_TO_READY && !has_modes (self)) {
    GST_ELEMENT_ERROR (self, RESOURCE, OPEN_READ,
        ("The camera \"%s\" gives no video.", self->camera_name ? self->camera_name : ""),
        (NULL));
    return GST_STATE_CHANGE_FAILURE;
  }
  if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
    g_atomic_int_set (&self->reported, 0);
    if (!build_stream (self)) {
      tear_down_stream (self);
      return GST_STATE_CHANGE_FAILURE;
    }
  }
  rc = GST_ELEMENT_CLASS (ombrix_testcam_src_parent_class)->change_state
      (element, transition);
  if (transition == GST_STATE_CHANGE_PAUSED_TO_READY)
    tear_down_stream (self);
  return rc;
}

static void
ombrix_testcam_src_set_property (GObject * object, guint id,
    const GValue * value, GParamSpec * pspec)
{
  OmbrixTestcamSrc *self = OMBRIX_TESTCAM_SRC (object);
  switch (id) {
    case PROP_CAMERA_NAME:
      g_free (self->camera_name);
      self->camera_name = g_value_dup_string (value);
      break;
    case PROP_SERIAL:
      g_free (self->serial);
      self->serial = g_value_dup_string (value);
      take_snapshot (self);
      break;
    case PROP_MODES:
      gst_caps_replace (&self->modes, (GstCaps *) gst_value_get_caps (value));
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, id, pspec);
  }
}

static void
ombrix_testcam_src_get_property (GObject * object, guint id, GValue * value,
    GParamSpec * pspec)
{
  OmbrixTestcamSrc *self = OMBRIX_TESTCAM_SRC (object);
  switch (id) {
    case PROP_CAMERA_NAME:
      g_value_set_string (value, self->camera_name);
      break;
    case PROP_SERIAL:
      g_value_set_string (value, self->serial);
      break;
    case PROP_MODES:
      gst_value_set_caps (value, self->modes);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, id, pspec);
  }
}

static void
ombrix_testcam_src_finalize (GObject * object)
{
  OmbrixTestcamSrc *self = OMBRIX_TESTCAM_SRC (object);
  g_free (self->camera_name);
  g_free (self->serial);
  gst_caps_replace (&self->modes, NULL);
  G_OBJECT_CLASS (ombrix_testcam_src_parent_class)->finalize (object);
}

static void
ombrix_testcam_src_class_init (OmbrixTestcamSrcClass * klass)
{
  GObjectClass *gobject = G_OBJECT_CLASS (klass);
  GstElementClass *element = GST_ELEMENT_CLASS (klass);

  gobject->set_property = ombrix_testcam_src_set_property;
  gobject->get_property = ombrix_testcam_src_get_property;
  gobject->finalize = ombrix_testcam_src_finalize;
  g_object_class_install_property (gobject, PROP_CAMERA_NAME,
      g_param_spec_string ("camera-name", "Camera name", "Display name",
          NULL, G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS));
  g_object_class_install_property (gobject, PROP_SERIAL,
      g_param_spec_string ("serial", "Serial", "The camera's serial number",
          NULL, G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS));
  g_object_class_install_property (gobject, PROP_MODES,
      g_param_spec_boxed ("modes", "Modes", "The modes offered (empty: gives no video)",
          GST_TYPE_CAPS, G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS));

  element->change_state = ombrix_testcam_src_change_state;
  gst_element_class_add_static_pad_template (element, &src_template);
  gst_element_class_set_static_metadata (element, "Ombrix test camera source",
      "Source/Video", "Live colour bars for testing Ombrix", "Ombrix");
}

static void
ombrix_testcam_src_init (OmbrixTestcamSrc * self)
{
  self->ghost = gst_ghost_pad_new_no_target_from_template ("src",
      gst_element_class_get_pad_template (GST_ELEMENT_GET_CLASS (self), "src"));
  gst_pad_set_query_function (self->ghost, ghost_query);
  gst_element_add_pad (GST_ELEMENT (self), self->ghost);
}
