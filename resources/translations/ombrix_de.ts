<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CameraController</name>
    <message>
        <source>The camera &quot;%1&quot; is no longer available.</source>
        <translation>Die Kamera „%1“ ist nicht mehr verfügbar.</translation>
    </message>
    <message>
        <source>The camera &quot;%1&quot; stopped working: %2</source>
        <translation>Die Kamera „%1“ funktioniert nicht mehr: %2</translation>
    </message>
    <message numerus="yes">
        <source>it has sent no picture for %n seconds.</source>
        <translation>
            <numerusform>sie hat seit %n Sekunde kein Bild gesendet.</numerusform>
            <numerusform>sie hat seit %n Sekunden kein Bild gesendet.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CameraSuspendedView</name>
    <message>
        <source>Camera turned off</source>
        <translation>Kamera ausgeschaltet</translation>
    </message>
</context>
<context>
    <name>CaptureDevice</name>
    <message>
        <source>The camera &quot;%1&quot; cannot be opened.</source>
        <translation>Die Kamera „%1“ kann nicht geöffnet werden.</translation>
    </message>
</context>
<context>
    <name>CaptureSession</name>
    <message>
        <source>The GStreamer element &quot;%1&quot; is missing; please install GStreamer&apos;s base plugins.</source>
        <translation>Das GStreamer-Element „%1“ fehlt; bitte installieren Sie die GStreamer-Basis-Plugins.</translation>
    </message>
    <message>
        <source>The camera cannot be started.</source>
        <translation>Die Kamera kann nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The camera &quot;%1&quot; cannot be used.</source>
        <translation>Die Kamera „%1“ kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>The camera&apos;s video cannot be converted.</source>
        <translation>Das Video der Kamera kann nicht umgewandelt werden.</translation>
    </message>
    <message>
        <source>The GStreamer element &quot;%1&quot; is missing; please install GStreamer&apos;s good plugins.</source>
        <translation>Das GStreamer-Element „%1“ fehlt; bitte installieren Sie die „good“-Plugins von GStreamer.</translation>
    </message>
    <message>
        <source>The camera failed.</source>
        <translation>Die Kamera ist ausgefallen.</translation>
    </message>
    <message>
        <source>The camera stopped sending video.</source>
        <translation>Die Kamera sendet kein Bild mehr.</translation>
    </message>
</context>
<context>
    <name>DeliveryWorker</name>
    <message>
        <source>The picture could not be kept for its upload: %1</source>
        <translation>Das Bild konnte nicht für das Hochladen aufbewahrt werden: %1</translation>
    </message>
</context>
<context>
    <name>FTPController</name>
    <message>
        <source>The address, user name or password holds a control character (such as a line break): nothing was sent.</source>
        <translation>Adresse, Benutzername oder Passwort enthalten ein Steuerzeichen (etwa einen Zeilenumbruch): Es wurde nichts gesendet.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Start or stop recording</source>
        <translation>Aufnahme starten oder beenden</translation>
    </message>
    <message>
        <source>Show or hide these settings</source>
        <translation>Diese Einstellungen zeigen oder verbergen</translation>
    </message>
    <message>
        <source>&lt;b&gt;Recording&lt;/b&gt;</source>
        <translation>&lt;b&gt;Aufnahme&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Every</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Time between pictures (at least 1 second)</source>
        <translation>Zeit zwischen zwei Bildern (mindestens 1 Sekunde)</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Save to folder</source>
        <translation>In Ordner sichern</translation>
    </message>
    <message>
        <source>Chosen in the preferences</source>
        <translation>Wird in den Einstellungen gewählt</translation>
    </message>
    <message>
        <source>Add date and time to the name</source>
        <translation>Datum und Uhrzeit an den Namen anhängen</translation>
    </message>
    <message>
        <source>Stamp date and time on the picture</source>
        <translation>Datum und Uhrzeit ins Bild schreiben</translation>
    </message>
    <message>
        <source>Start recording when Ombrix starts</source>
        <translation>Aufnahme beim Start von Ombrix beginnen</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>&lt;b&gt;FTP upload&lt;/b&gt;</source>
        <translation>&lt;b&gt;FTP-Upload&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>&amp;Recording</source>
        <translation>&amp;Aufnahme</translation>
    </message>
    <message>
        <source>&amp;Camera</source>
        <translation>&amp;Kamera</translation>
    </message>
    <message>
        <source>&amp;Ombrix</source>
        <translation>&amp;Ombrix</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Ombrix Home Page</source>
        <translation>Ombrix-Webseite</translation>
    </message>
    <message>
        <source>Donate…</source>
        <translation>Spenden …</translation>
    </message>
    <message>
        <source>Quit Ombrix</source>
        <translation>Ombrix beenden</translation>
    </message>
    <message>
        <source>Start Recording</source>
        <translation>Aufnahme starten</translation>
    </message>
</context>
<context>
    <name>MainWindowController</name>
    <message>
        <source>No camera available</source>
        <translation>Keine Kamera verfügbar</translation>
    </message>
    <message>
        <source>no picture from the camera yet</source>
        <translation>noch kein Bild von der Kamera</translation>
    </message>
    <message>
        <source>saved</source>
        <translation>gesichert</translation>
    </message>
    <message>
        <source>Not saved to %1: %2</source>
        <translation>Nicht in %1 gesichert: %2</translation>
    </message>
    <message>
        <source>upload failed</source>
        <translation>Upload fehlgeschlagen</translation>
    </message>
    <message>
        <source>uploaded</source>
        <translation>hochgeladen</translation>
    </message>
    <message>
        <source>taken</source>
        <translation>aufgenommen</translation>
    </message>
    <message>
        <source>Last picture %1: %2</source>
        <translation>Letztes Bild %1: %2</translation>
    </message>
    <message>
        <source>A FTP error occured</source>
        <translation>Ein FTP-Fehler ist aufgetreten</translation>
    </message>
    <message>
        <source>Server message: %1</source>
        <translation>Meldung des Servers: %1</translation>
    </message>
    <message>
        <source>upload waiting</source>
        <translation>Hochladen wartet</translation>
    </message>
    <message>
        <source>, until the FTP password is known</source>
        <translation>, bis das FTP-Passwort bekannt ist</translation>
    </message>
    <message>
        <source>, next try in %1 s</source>
        <translation>, nächster Versuch in %1 s</translation>
    </message>
    <message>
        <source>Pictures cannot be kept for upload: %1</source>
        <translation>Bilder können nicht für das Hochladen aufbewahrt werden: %1</translation>
    </message>
    <message>
        <source>The picture is kept and will be sent when the server answers again.</source>
        <translation>Das Bild wird aufbewahrt und gesendet, sobald der Server wieder antwortet.</translation>
    </message>
    <message>
        <source>: type the password to upload</source>
        <translation>: Geben Sie das Passwort ein, um hochzuladen</translation>
    </message>
    <message>
        <source>The keyring has not answered (it may be locked): uploads wait for the FTP password; type it to upload now</source>
        <translation>Der Schlüsselbund hat nicht geantwortet (vielleicht ist er gesperrt): Das Hochladen wartet auf das FTP-Passwort; geben Sie es ein, um jetzt hochzuladen</translation>
    </message>
    <message>
        <source>The FTP password could not be stored in the keyring (no answer from the keyring)</source>
        <translation>Das FTP-Passwort konnte nicht im Schlüsselbund gespeichert werden (keine Antwort vom Schlüsselbund)</translation>
    </message>
    <message>
        <source>1 picture waiting for %1</source>
        <translation>1 Bild wartet auf %1</translation>
    </message>
    <message>
        <source>%1 pictures waiting for %2</source>
        <translation>%1 Bilder warten auf %2</translation>
    </message>
    <message>
        <source>1 picture dropped: the outbox is full</source>
        <translation>1 Bild verworfen: der Ausgang ist voll</translation>
    </message>
    <message>
        <source>%1 pictures dropped: the outbox is full</source>
        <translation>%1 Bilder verworfen: der Ausgang ist voll</translation>
    </message>
    <message>
        <source>Recording stopped: the camera was turned off</source>
        <translation>Aufnahme beendet: Die Kamera wurde ausgeschaltet</translation>
    </message>
    <message>
        <source>Not saved: no save folder is chosen (Ombrix &gt; Preferences)</source>
        <translation>Nicht gesichert: Es ist kein Ordner gewählt (Ombrix &gt; Einstellungen)</translation>
    </message>
    <message>
        <source>The %1 holds a control character (such as a line break), which would reach the server as a command of its own: the picture was not uploaded. Retype the %1.</source>
        <translation>Das Feld „%1“ enthält ein Steuerzeichen (etwa einen Zeilenumbruch), das den Server als eigener Befehl erreichen würde: Das Bild wurde nicht hochgeladen. Geben Sie „%1“ neu ein.</translation>
    </message>
    <message>
        <source>user name</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>server address</source>
        <translation>Serveradresse</translation>
    </message>
    <message>
        <source>server folder</source>
        <translation>Serverordner</translation>
    </message>
    <message>
        <source>picture name</source>
        <translation>Bildname</translation>
    </message>
    <message>
        <source>Trying again.</source>
        <translation>Neuer Versuch folgt.</translation>
    </message>
</context>
<context>
    <name>NoCameraViewController</name>
    <message>
        <source>No camera available</source>
        <translation>Keine Kamera verfügbar</translation>
    </message>
</context>
<context>
    <name>PictureNaming</name>
    <message>
        <source>The picture has no name: enter a file name, or add the date to the name.</source>
        <translation>Das Bild hat keinen Namen: Geben Sie einen Dateinamen ein oder hängen Sie das Datum an den Namen an.</translation>
    </message>
    <message>
        <source>The picture name &quot;%1&quot; leads out of its folder: remove &quot;..&quot; from it.</source>
        <translation>Der Bildname „%1“ führt aus seinem Ordner hinaus: Entfernen Sie „..“ daraus.</translation>
    </message>
</context>
<context>
    <name>Prefs</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Save pictures in</source>
        <translation>Bilder sichern in</translation>
    </message>
    <message>
        <source>Other…</source>
        <translation>Anderer Ordner …</translation>
    </message>
    <message>
        <source>Date stamp</source>
        <translation>Datumsstempel</translation>
    </message>
    <message>
        <source>Font…</source>
        <translation>Schrift …</translation>
    </message>
    <message>
        <source>Colour…</source>
        <translation>Farbe …</translation>
    </message>
</context>
<context>
    <name>PrefsController</name>
    <message>
        <source>Choose the folder for saved pictures</source>
        <translation>Ordner für gesicherte Bilder wählen</translation>
    </message>
</context>
<context>
    <name>SecretStore</name>
    <message>
        <source>no answer from the keyring</source>
        <translation>keine Antwort vom Schlüsselbund</translation>
    </message>
    <message>
        <source>The FTP password could not be read from the keyring</source>
        <translation>Das FTP-Passwort konnte nicht aus dem Schlüsselbund gelesen werden</translation>
    </message>
    <message>
        <source>The FTP password could not be stored in the keyring</source>
        <translation>Das FTP-Passwort konnte nicht im Schlüsselbund gespeichert werden</translation>
    </message>
</context>
<context>
    <name>SuspendedCameraViewController</name>
    <message>
        <source>Camera turned off</source>
        <translation>Kamera ausgeschaltet</translation>
    </message>
</context>
<context>
    <name>URLFormatter</name>
    <message>
        <source>Invalid URL</source>
        <translation>Ungültige URL</translation>
    </message>
    <message>
        <source>User and password go in their own fields</source>
        <translation>Benutzer und Passwort gehören in ihre eigenen Felder</translation>
    </message>
</context>
<context>
    <name>UserDefaults</name>
    <message>
        <source>The settings file %1 cannot be read (%2). Ombrix uses the default settings and keeps your changes for this session only.</source>
        <translation>Die Einstellungsdatei %1 kann nicht gelesen werden (%2). Ombrix verwendet die Standardeinstellungen und behält Ihre Änderungen nur für diese Sitzung.</translation>
    </message>
    <message>
        <source>The settings file %1 is damaged (%2). Ombrix uses the default settings for what it cannot read; the damaged file is kept beside it.</source>
        <translation>Die Einstellungsdatei %1 ist beschädigt (%2). Ombrix verwendet die Standardeinstellungen für alles, was es nicht lesen kann; die beschädigte Datei wird daneben aufbewahrt.</translation>
    </message>
    <message>
        <source>The settings file %1 is damaged. Ombrix uses the default settings for what it cannot read; the damaged file is kept beside it.</source>
        <translation>Die Einstellungsdatei %1 ist beschädigt. Ombrix verwendet die Standardeinstellungen für alles, was es nicht lesen kann; die beschädigte Datei wird daneben aufbewahrt.</translation>
    </message>
    <message>
        <source>A copy could not be made, so changes are kept for this session only.</source>
        <translation>Es konnte keine Kopie angelegt werden, daher werden Änderungen nur für diese Sitzung behalten.</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1.</source>
        <translation>Die Einstellungen konnten nicht in %1 gesichert werden.</translation>
    </message>
</context>
</TS>
