#include "testcamsrc.h"

struct _OmbrixTestcamSrc
{
  GstBin parent;
  GstElement *source;
  GstElement *filter;
  gchar *camera_name;
  gint width;
  gint height;
};

enum
{
  PROP_0,
  PROP_CAMERA_NAME,
  PROP_WIDTH,
  PROP_HEIGHT,
};

G_DEFINE_TYPE (OmbrixTestcamSrc, ombrix_testcam_src, GST_TYPE_BIN);

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS ("video/x-raw"));

static void
update_caps (OmbrixTestcamSrc * self)
{
  GstCaps *caps;
  if (self->width <= 0 || self->height <= 0)
    return;
  caps = gst_caps_new_simple ("video/x-raw", "width", G_TYPE_INT, self->width,
      "height", G_TYPE_INT, self->height, "framerate", GST_TYPE_FRACTION, 30, 1,
      NULL);
  g_object_set (self->filter, "caps", caps, NULL);
  gst_caps_unref (caps);
}

static GstStateChangeReturn
ombrix_testcam_src_change_state (GstElement * element, GstStateChange transition)
{
  OmbrixTestcamSrc *self = OMBRIX_TESTCAM_SRC (element);
  if (transition == GST_STATE_CHANGE_NULL_TO_READY
      && (self->width <= 0 || self->height <= 0)) {
    GST_ELEMENT_ERROR (self, RESOURCE, OPEN_READ,
        ("The camera \"%s\" gives no video.", self->camera_name ? self->camera_name : ""),
        (NULL));
    return GST_STATE_CHANGE_FAILURE;
  }
  return GST_ELEMENT_CLASS (ombrix_testcam_src_parent_class)->change_state
      (element, transition);
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
    case PROP_WIDTH:
      self->width = g_value_get_int (value);
      update_caps (self);
      break;
    case PROP_HEIGHT:
      self->height = g_value_get_int (value);
      update_caps (self);
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
    case PROP_WIDTH:
      g_value_set_int (value, self->width);
      break;
    case PROP_HEIGHT:
      g_value_set_int (value, self->height);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, id, pspec);
  }
}

static void
ombrix_testcam_src_finalize (GObject * object)
{
  g_free (OMBRIX_TESTCAM_SRC (object)->camera_name);
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
  g_object_class_install_property (gobject, PROP_WIDTH,
      g_param_spec_int ("width", "Width", "Frame width (0: gives no video)",
          0, 16384, 1280, G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS));
  g_object_class_install_property (gobject, PROP_HEIGHT,
      g_param_spec_int ("height", "Height", "Frame height (0: gives no video)",
          0, 16384, 720, G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS));

  element->change_state = ombrix_testcam_src_change_state;
  gst_element_class_add_static_pad_template (element, &src_template);
  gst_element_class_set_static_metadata (element, "Ombrix test camera source",
      "Source/Video", "Live colour bars for testing Ombrix", "Ombrix");
}

static void
ombrix_testcam_src_init (OmbrixTestcamSrc * self)
{
  GstPad *target, *ghost;

  self->width = 1280;
  self->height = 720;
  self->source = gst_element_factory_make ("videotestsrc", "bars");
  self->filter = gst_element_factory_make ("capsfilter", "size");
  g_object_set (self->source, "is-live", TRUE, NULL);
  gst_bin_add_many (GST_BIN (self), self->source, self->filter, NULL);
  gst_element_link (self->source, self->filter);
  update_caps (self);

  target = gst_element_get_static_pad (self->filter, "src");
  ghost = gst_ghost_pad_new ("src", target);
  gst_element_add_pad (GST_ELEMENT (self), ghost);
  gst_object_unref (target);
}
