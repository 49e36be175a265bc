/* Test camera for Ombrix: a GStreamer device provider whose cameras are live
 * colour-bar sources, so that discovery, hot-plug, capture and a camera's faults
 * can be exercised without hardware.
 *
 *   OMBRIX_TESTCAM_DEVICES  ";"-separated NAME or NAME=MODES; the cameras present
 *                           when the provider starts (unset: "Test Camera 1";
 *                           empty: none). MODES is a ","-separated list of
 *                           [raw:|mjpeg:]WIDTHxHEIGHT[@FPS] (default raw, 30 fps;
 *                           no MODES: raw 1280x720@30). A size of 0x0 makes a
 *                           camera that cannot be opened, like one that gives no
 *                           video.
 *   OMBRIX_TESTCAM_CONTROL  a file followed while the provider runs; each line
 *                           appended is one command:
 *                             connect NAME[=MODES] | disconnect NAME |
 *                             suspend NAME | resume NAME |
 *                             fail NAME  (its streams end with an error) |
 *                             stall NAME (its streams stop sending frames) |
 *                             dark NAME | light NAME (a black picture, or bars)
 *                           A camera that is unplugged ends its streams with an
 *                           error, as a real one does; a stream opened after a
 *                           failure or a stall works again.
 */
#include "testcamsrc.h"

#include <gst/gst.h>
#include <stdio.h>
#include <string.h>

#define DEFAULT_MODES "1280x720"
#define CONTROL_POLL_US (50 * 1000)

/* ---- device ---------------------------------------------------------------- */

#define OMBRIX_TYPE_TESTCAM_DEVICE (ombrix_testcam_device_get_type ())
G_DECLARE_FINAL_TYPE (OmbrixTestcamDevice, ombrix_testcam_device, OMBRIX, TESTCAM_DEVICE, GstDevice)

struct _OmbrixTestcamDevice
{
  GstDevice parent;
  gchar *name;
  gchar *serial;
  GstCaps *modes;               /* empty: gives no video */
  gboolean suspended;
};

G_DEFINE_TYPE (OmbrixTestcamDevice, ombrix_testcam_device, GST_TYPE_DEVICE);

static GstElement *
ombrix_testcam_device_create_element (GstDevice * device, const gchar * name)
{
  OmbrixTestcamDevice *self = OMBRIX_TESTCAM_DEVICE (device);
  GstElement *src = gst_element_factory_make ("ombrixtestcamsrc", name);
  if (src)
    g_object_set (src, "camera-name", self->name, "serial", self->serial,
        "modes", self->modes, NULL);
  return src;
}

static void
ombrix_testcam_device_finalize (GObject * object)
{
  OmbrixTestcamDevice *self = OMBRIX_TESTCAM_DEVICE (object);
  g_free (self->name);
  g_free (self->serial);
  gst_caps_replace (&self->modes, NULL);
  G_OBJECT_CLASS (ombrix_testcam_device_parent_class)->finalize (object);
}

static void
ombrix_testcam_device_class_init (OmbrixTestcamDeviceClass * klass)
{
  GST_DEVICE_CLASS (klass)->create_element = ombrix_testcam_device_create_element;
  G_OBJECT_CLASS (klass)->finalize = ombrix_testcam_device_finalize;
}

static void
ombrix_testcam_device_init (OmbrixTestcamDevice * self)
{
  (void) self;
}

static GstDevice *
testcam_device_new (const gchar * name, const gchar * serial, GstCaps * modes,
    gboolean suspended)
{
  GstCaps *caps;
  GstStructure *props;
  OmbrixTestcamDevice *device;

  caps = gst_caps_is_empty (modes) ? gst_caps_new_empty_simple ("video/x-raw")
      : gst_caps_ref (modes);
  props = gst_structure_new ("ombrix-testcam-properties",
      "device.api", G_TYPE_STRING, "ombrix-testcam",
      "device.serial", G_TYPE_STRING, serial,
      "device.suspended", G_TYPE_BOOLEAN, suspended, NULL);

  device = g_object_new (OMBRIX_TYPE_TESTCAM_DEVICE, "display-name", name,
      "device-class", "Video/Source", "caps", caps, "properties", props, NULL);
  device->name = g_strdup (name);
  device->serial = g_strdup (serial);
  device->modes = gst_caps_ref (modes);
  device->suspended = suspended;
  gst_caps_unref (caps);
  gst_structure_free (props);
  return GST_DEVICE (device);
}

/* ---- provider -------------------------------------------------------------- */

#define OMBRIX_TYPE_TESTCAM_PROVIDER (ombrix_testcam_provider_get_type ())
G_DECLARE_FINAL_TYPE (OmbrixTestcamProvider, ombrix_testcam_provider, OMBRIX, TESTCAM_PROVIDER, GstDeviceProvider)

struct _OmbrixTestcamProvider
{
  GstDeviceProvider parent;
  GThread *follower;
  gint stopping;                /* atomic */
  gchar *control_path;
  /* Our own list of the cameras offered, in connection order: the provider's own
   * list cannot be read while it is starting or stopping. */
  GMutex lock;
  GList *cameras;               /* OmbrixTestcamDevice, one reference each */
};

G_DEFINE_TYPE (OmbrixTestcamProvider, ombrix_testcam_provider, GST_TYPE_DEVICE_PROVIDER);

/* "[raw:|mjpeg:]WxH[@FPS],..." as caps in the order given; NULL when malformed.
 * A 0x0 size gives empty caps: a camera with no video. */
static GstCaps *
parse_modes (const gchar * text)
{
  gchar **parts = g_strsplit (text, ",", -1);
  GstCaps *modes = gst_caps_new_empty ();
  for (gchar ** p = parts; *p; ++p) {
    const gchar *mode = g_strstrip (*p);
    const gchar *media = "video/x-raw";
    gint width, height, fps = 30, used = 0;
    if (g_str_has_prefix (mode, "mjpeg:")) {
      media = "image/jpeg";
      mode += 6;
    } else if (g_str_has_prefix (mode, "raw:")) {
      mode += 4;
    }
    if (sscanf (mode, "%dx%d%n", &width, &height, &used) != 2
        || (mode[used] != '\0' && sscanf (mode + used, "@%d", &fps) != 1)
        || width < 0 || height < 0 || fps <= 0) {
      gst_caps_unref (modes);
      modes = NULL;
      break;
    }
    if (width > 0 && height > 0) {
      GstStructure *s = gst_structure_new (media,
          "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
          "framerate", GST_TYPE_FRACTION, fps, 1, NULL);
      /* Raw modes come in the packed 4:2:2 that USB cameras send. */
      if (strcmp (media, "video/x-raw") == 0)
        gst_structure_set (s, "format", G_TYPE_STRING, "YUY2", NULL);
      gst_caps_append_structure (modes, s);
    }
  }
  g_strfreev (parts);
  return modes;
}

/* "NAME" or "NAME=MODES"; returns FALSE for an empty name or malformed modes. */
static gboolean
parse_camera_spec (const gchar * spec, gchar ** name, GstCaps ** modes)
{
  const gchar *eq = strrchr (spec, '=');
  gchar *n;

  *modes = parse_modes (eq ? eq + 1 : DEFAULT_MODES);
  if (!*modes)
    return FALSE;
  n = eq ? g_strndup (spec, eq - spec) : g_strdup (spec);
  g_strstrip (n);
  if (*n == '\0') {
    g_free (n);
    gst_caps_unref (*modes);
    return FALSE;
  }
  *name = n;
  return TRUE;
}

/* The most recently connected device of that name, with a reference; or NULL. */
static OmbrixTestcamDevice *
find_device (OmbrixTestcamProvider * self, const gchar * name)
{
  OmbrixTestcamDevice *found = NULL;
  g_mutex_lock (&self->lock);
  for (GList * l = self->cameras; l; l = l->next) {
    OmbrixTestcamDevice *d = l->data;
    if (g_strcmp0 (d->name, name) == 0)
      found = d;
  }
  if (found)
    gst_object_ref (found);
  g_mutex_unlock (&self->lock);
  return found;
}

/* Serials stay the same when a camera is unplugged and plugged in again; a second
 * camera of the same name gets a numbered one. Called with the lock held. */
static gchar *
serial_for (OmbrixTestcamProvider * self, const gchar * name)
{
  gchar *serial = g_strdup_printf ("ombrix-testcam:%s", name);
  for (int n = 2;; ++n) {
    gboolean taken = FALSE;
    for (GList * l = self->cameras; l; l = l->next)
      if (g_strcmp0 (((OmbrixTestcamDevice *) l->data)->serial, serial) == 0)
        taken = TRUE;
    if (!taken)
      return serial;
    g_free (serial);
    serial = g_strdup_printf ("ombrix-testcam:%s#%d", name, n);
  }
}

static void
connect_camera (OmbrixTestcamProvider * self, const gchar * spec)
{
  gchar *name, *serial;
  GstCaps *modes;
  GstDevice *device;
  if (!parse_camera_spec (spec, &name, &modes)) {
    g_printerr ("ombrix-testcam: ignoring camera \"%s\"\n", spec);
    return;
  }
  g_mutex_lock (&self->lock);
  serial = serial_for (self, name);
  device = gst_object_ref_sink (testcam_device_new (name, serial, modes, FALSE));
  self->cameras = g_list_append (self->cameras, gst_object_ref (device));
  g_mutex_unlock (&self->lock);
  gst_device_provider_device_add (GST_DEVICE_PROVIDER (self), device);
  gst_object_unref (device);
  gst_caps_unref (modes);
  g_free (serial);
  g_free (name);
}

static void
disconnect_camera (OmbrixTestcamProvider * self, OmbrixTestcamDevice * device)
{
  g_mutex_lock (&self->lock);
  GList *link = g_list_find (self->cameras, device);
  if (link) {
    self->cameras = g_list_delete_link (self->cameras, link);
    gst_object_unref (device);
  }
  g_mutex_unlock (&self->lock);
  /* Its open streams end before the monitor hears of it, as with a real camera. */
  g_atomic_int_inc (&ombrix_testcam_state_for (device->serial)->unplugs);
  gst_device_provider_device_remove (GST_DEVICE_PROVIDER (self),
      GST_DEVICE (device));
}

static void
set_suspended (OmbrixTestcamProvider * self, const gchar * name, gboolean suspended)
{
  OmbrixTestcamDevice *old = find_device (self, name);
  GstDevice *changed;
  GList *link;
  if (!old)
    return;
  changed = gst_object_ref_sink (testcam_device_new (old->name, old->serial,
          old->modes, suspended));
  g_mutex_lock (&self->lock);
  link = g_list_find (self->cameras, old);
  if (link) {
    link->data = gst_object_ref (changed);
    gst_object_unref (old);
  }
  g_mutex_unlock (&self->lock);
  gst_device_provider_device_changed (GST_DEVICE_PROVIDER (self), changed,
      GST_DEVICE (old));
  gst_object_unref (changed);
  gst_object_unref (old);
}

static void
run_command (OmbrixTestcamProvider * self, gchar * line)
{
  gchar *arg;
  g_strstrip (line);
  if (*line == '\0' || *line == '#')
    return;
  arg = strchr (line, ' ');
  if (!arg) {
    g_printerr ("ombrix-testcam: unknown command \"%s\"\n", line);
    return;
  }
  *arg++ = '\0';
  g_strstrip (arg);

  if (strcmp (line, "connect") == 0) {
    connect_camera (self, arg);
  } else if (strcmp (line, "disconnect") == 0) {
    OmbrixTestcamDevice *d = find_device (self, arg);
    if (d) {
      disconnect_camera (self, d);
      gst_object_unref (d);
    }
  } else if (strcmp (line, "suspend") == 0) {
    set_suspended (self, arg, TRUE);
  } else if (strcmp (line, "resume") == 0) {
    set_suspended (self, arg, FALSE);
  } else if (strcmp (line, "fail") == 0 || strcmp (line, "stall") == 0
      || strcmp (line, "dark") == 0 || strcmp (line, "light") == 0) {
    OmbrixTestcamDevice *d = find_device (self, arg);
    if (d) {
      TestcamState *state = ombrix_testcam_state_for (d->serial);
      if (line[0] == 'f')
        g_atomic_int_inc (&state->failures);
      else if (line[0] == 's')
        g_atomic_int_inc (&state->stalls);
      else
        g_atomic_int_set (&state->dark, line[0] == 'd');
      gst_object_unref (d);
    }
  } else {
    g_printerr ("ombrix-testcam: unknown command \"%s\"\n", line);
  }
}

/* Follows the control file: complete lines appended after the provider started. */
static gpointer
follow_control_file (gpointer data)
{
  OmbrixTestcamProvider *self = data;
  GString *pending = g_string_new (NULL);
  long offset = 0;
  FILE *f = fopen (self->control_path, "r");
  if (f) {
    fseek (f, 0, SEEK_END);
    offset = ftell (f);
    fclose (f);
  }

  while (!g_atomic_int_get (&self->stopping)) {
    char chunk[4096];
    size_t n;
    f = fopen (self->control_path, "r");
    if (f) {
      fseek (f, 0, SEEK_END);
      if (ftell (f) < offset) {         /* the file was truncated: start over */
        offset = 0;
        g_string_truncate (pending, 0);
      }
      fseek (f, offset, SEEK_SET);
      while ((n = fread (chunk, 1, sizeof chunk, f)) > 0) {
        g_string_append_len (pending, chunk, n);
        offset += n;
      }
      fclose (f);
    }
    for (gchar * nl; (nl = strchr (pending->str, '\n'));) {
      gchar *line = g_strndup (pending->str, nl - pending->str);
      g_string_erase (pending, 0, nl - pending->str + 1);
      run_command (self, line);
      g_free (line);
    }
    g_usleep (CONTROL_POLL_US);
  }
  g_string_free (pending, TRUE);
  return NULL;
}

static GList *
initial_specs (void)
{
  const gchar *env = g_getenv ("OMBRIX_TESTCAM_DEVICES");
  GList *specs = NULL;
  gchar **parts;
  if (!env)
    return g_list_append (NULL, g_strdup ("Test Camera 1"));
  parts = g_strsplit (env, ";", -1);
  for (gchar ** p = parts; *p; ++p)
    if (g_strstrip (*p)[0] != '\0')
      specs = g_list_append (specs, g_strdup (*p));
  g_strfreev (parts);
  return specs;
}

static gint
has_serial (gconstpointer device, gconstpointer serial)
{
  return g_strcmp0 (((const OmbrixTestcamDevice *) device)->serial, serial);
}

static GList *
ombrix_testcam_provider_probe (GstDeviceProvider * provider)
{
  GList *specs = initial_specs (), *devices = NULL;
  (void) provider;
  for (GList * l = specs; l; l = l->next) {
    gchar *name;
    GstCaps *modes;
    if (parse_camera_spec (l->data, &name, &modes)) {
      /* A second camera of the same name gets a numbered serial, as when plugged in. */
      gchar *serial = g_strdup_printf ("ombrix-testcam:%s", name);
      for (int n = 2; g_list_find_custom (devices, serial, has_serial); ++n) {
        g_free (serial);
        serial = g_strdup_printf ("ombrix-testcam:%s#%d", name, n);
      }
      devices = g_list_append (devices,
          gst_object_ref_sink (testcam_device_new (name, serial, modes, FALSE)));
      gst_caps_unref (modes);
      g_free (serial);
      g_free (name);
    }
  }
  g_list_free_full (specs, g_free);
  return devices;
}

static gboolean
ombrix_testcam_provider_start (GstDeviceProvider * provider)
{
  OmbrixTestcamProvider *self = OMBRIX_TESTCAM_PROVIDER (provider);
  GList *specs = initial_specs ();
  const gchar *control = g_getenv ("OMBRIX_TESTCAM_CONTROL");

  for (GList * l = specs; l; l = l->next)
    connect_camera (self, l->data);
  g_list_free_full (specs, g_free);

  if (control && *control) {
    self->control_path = g_strdup (control);
    g_atomic_int_set (&self->stopping, 0);
    self->follower = g_thread_new ("ombrix-testcam", follow_control_file, self);
  }
  return TRUE;
}

static void
ombrix_testcam_provider_stop (GstDeviceProvider * provider)
{
  OmbrixTestcamProvider *self = OMBRIX_TESTCAM_PROVIDER (provider);
  GList *devices;
  if (self->follower) {
    g_atomic_int_set (&self->stopping, 1);
    g_thread_join (self->follower);
    self->follower = NULL;
  }
  g_clear_pointer (&self->control_path, g_free);
  g_mutex_lock (&self->lock);
  devices = self->cameras;
  self->cameras = NULL;
  g_mutex_unlock (&self->lock);
  for (GList * l = devices; l; l = l->next)
    gst_device_provider_device_remove (provider, l->data);
  g_list_free_full (devices, gst_object_unref);
}

static void
ombrix_testcam_provider_finalize (GObject * object)
{
  OmbrixTestcamProvider *self = OMBRIX_TESTCAM_PROVIDER (object);
  g_list_free_full (self->cameras, gst_object_unref);
  g_mutex_clear (&self->lock);
  G_OBJECT_CLASS (ombrix_testcam_provider_parent_class)->finalize (object);
}

static void
ombrix_testcam_provider_class_init (OmbrixTestcamProviderClass * klass)
{
  GstDeviceProviderClass *dp = GST_DEVICE_PROVIDER_CLASS (klass);
  dp->probe = ombrix_testcam_provider_probe;
  dp->start = ombrix_testcam_provider_start;
  dp->stop = ombrix_testcam_provider_stop;
  G_OBJECT_CLASS (klass)->finalize = ombrix_testcam_provider_finalize;
  gst_device_provider_class_set_static_metadata (dp, "Ombrix test cameras",
      "Video/Source", "Live colour-bar cameras for testing Ombrix", "Ombrix");
}

static void
ombrix_testcam_provider_init (OmbrixTestcamProvider * self)
{
  g_mutex_init (&self->lock);
}

static gboolean
plugin_init (GstPlugin * plugin)
{
  return gst_element_register (plugin, "ombrixtestcamsrc", GST_RANK_NONE,
      OMBRIX_TYPE_TESTCAM_SRC)
      && gst_device_provider_register (plugin, "ombrixtestcamprovider",
      GST_RANK_PRIMARY, OMBRIX_TYPE_TESTCAM_PROVIDER);
}

#define PACKAGE "ombrix"
GST_PLUGIN_DEFINE (GST_VERSION_MAJOR, GST_VERSION_MINOR, ombrixtestcam,
    "Test cameras for Ombrix", plugin_init, "0.1", "LGPL", "Ombrix",
    "https://ombrix.invalid/")
