<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CameraController</name>
    <message>
        <source>The camera &quot;%1&quot; does not give %2x%3 pictures: it gives %4x%5, the nearest.</source>
        <translation>Die Kamera „%1“ liefert keine Bilder in %2x%3: Sie liefert %4x%5, die nächstliegende Größe.</translation>
    </message>
    <message>
        <source>OXPictureSize=%1 is not auto, largest or WIDTHxHEIGHT: auto is used.</source>
        <translation>OXPictureSize=%1 ist weder auto noch largest noch BREITExHÖHE: auto wird verwendet.</translation>
    </message>
    <message>
        <source>The camera &quot;%1&quot; is no longer available.</source>
        <translation>Die Kamera „%1“ ist nicht mehr verfügbar.</translation>
    </message>
    <message>
        <source>The camera &quot;%1&quot; stopped working: %2</source>
        <translation>Die Kamera „%1“ funktioniert nicht mehr: %2</translation>
    </message>
    <message>
        <source>it has sent no picture for %1 seconds.</source>
        <translation>sie hat seit %1 Sekunden kein Bild gesendet.</translation>
    </message>
</context>
<context>
    <name>CameraMenu</name>
    <message>
        <source>No camera available</source>
        <translation>Keine Kamera verfügbar</translation>
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
    <name>ConnectionTestButton</name>
    <message>
        <source>Enter the server&apos;s address first.</source>
        <translation>Geben Sie zuerst die Adresse des Servers ein.</translation>
    </message>
    <message>
        <source>Test Connection</source>
        <translation>Verbindung testen</translation>
    </message>
    <message>
        <source>Pictures can be uploaded.</source>
        <translation>Bilder können hochgeladen werden.</translation>
    </message>
</context>
<context>
    <name>DailyFilm</name>
    <message>
        <source>d MMMM</source>
        <translation>d. MMMM</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>Film of %1: %2 pictures, %3</source>
        <translation>Film vom %1: %2 Bilder, %3</translation>
    </message>
    <message>
        <source>No film of %1: no pictures were taken in the 24 hours before %2</source>
        <translation>Kein Film vom %1: in den 24 Stunden vor %2 wurden keine Bilder aufgenommen</translation>
    </message>
    <message>
        <source>No film of %1: no film encoder is installed (gstreamer1.0-plugins-good)</source>
        <translation>Kein Film vom %1: kein Film-Encoder ist installiert (gstreamer1.0-plugins-good)</translation>
    </message>
    <message>
        <source>No film of %1: %2</source>
        <translation>Kein Film vom %1: %2</translation>
    </message>
</context>
<context>
    <name>DeliveryWorker</name>
    <message>
        <source>its address is not an FTP address: %1</source>
        <translation>seine Adresse ist keine FTP-Adresse: %1</translation>
    </message>
    <message>
        <source>its address names no server or no file: %1</source>
        <translation>seine Adresse nennt keinen Server oder keine Datei: %1</translation>
    </message>
    <message>
        <source>it is not a whole JPEG picture (%1 bytes)</source>
        <translation>es ist kein vollständiges JPEG-Bild (%1 Bytes)</translation>
    </message>
    <message>
        <source>the FTP password is not known yet</source>
        <translation>das FTP-Passwort ist noch nicht bekannt</translation>
    </message>
    <message>
        <source>The picture could not be kept for a later try (%1), and its upload failed: %2</source>
        <translation>Das Bild konnte nicht für einen späteren Versuch aufbewahrt werden (%1), und sein Hochladen schlug fehl: %2</translation>
    </message>
    <message>
        <source>It can never be sent: %1</source>
        <translation>Es kann nie gesendet werden: %1</translation>
    </message>
    <message>
        <source>the disk is nearly full (%1 free): nothing is saved there until room returns</source>
        <translation>der Datenträger ist fast voll (%1 frei): Dort wird nichts gespeichert, bis wieder Platz ist</translation>
    </message>
    <message>
        <source>its address is not an FTP, SFTP, WebDAV or S3 address: %1</source>
        <translation>seine Adresse ist keine FTP-, SFTP-, WebDAV- oder S3-Adresse: %1</translation>
    </message>
</context>
<context>
    <name>EventCommand</name>
    <message>
        <source>event command for %1 could not start: %2</source>
        <translation>Ereignisbefehl für %1 konnte nicht starten: %2</translation>
    </message>
    <message>
        <source>event command for %1 killed after %2 s</source>
        <translation>Ereignisbefehl für %1 nach %2 s beendet</translation>
    </message>
    <message>
        <source>event command for %1 ended by a signal</source>
        <translation>Ereignisbefehl für %1 durch ein Signal beendet</translation>
    </message>
    <message>
        <source>event command for %1 exited with status %2</source>
        <translation>Ereignisbefehl für %1 endete mit Status %2</translation>
    </message>
</context>
<context>
    <name>FTPController</name>
    <message>
        <source>The address %1 would send the password in clear over plain HTTP: nothing was sent. Use https:// instead.</source>
        <translation>Die Adresse %1 würde das Passwort unverschlüsselt über einfaches HTTP senden: Es wurde nichts gesendet. Verwenden Sie stattdessen https://.</translation>
    </message>
    <message>
        <source>The bucket is in %1, not %2: set OXS3Region=%1.</source>
        <translation>Der Bucket liegt in %1, nicht in %2: setzen Sie OXS3Region=%1.</translation>
    </message>
    <message>
        <source>The service refused the access key %1 (%2): check the access key and the secret key.</source>
        <translation>Der Dienst hat den Zugriffsschlüssel %1 abgelehnt (%2): Prüfen Sie den Zugriffsschlüssel und den geheimen Schlüssel.</translation>
    </message>
    <message>
        <source>The bucket %1 does not exist (%2).</source>
        <translation>Den Bucket %1 gibt es nicht (%2).</translation>
    </message>
    <message>
        <source>Connected to %1 and the bucket %2 answers to the access key %3.</source>
        <translation>Mit %1 verbunden, und der Bucket %2 antwortet auf den Zugriffsschlüssel %3.</translation>
    </message>
    <message>
        <source>%1 did not offer TLS this time, and Ombrix logs in there only with TLS: nothing was sent, not even the password. Someone in between may be removing it; check the server&apos;s TLS settings.</source>
        <translation>%1 hat diesmal kein TLS angeboten, und Ombrix meldet sich dort nur mit TLS an: Es wurde nichts gesendet, auch nicht das Passwort. Jemand dazwischen könnte es entfernen; prüfen Sie die TLS-Einstellungen des Servers.</translation>
    </message>
    <message>
        <source>The address, user name or password holds a control character (such as a line break): nothing was sent.</source>
        <translation>Adresse, Benutzername oder Passwort enthalten ein Steuerzeichen (etwa einen Zeilenumbruch): Es wurde nichts gesendet.</translation>
    </message>
    <message>
        <source>The server&apos;s disk is full (%1)</source>
        <translation>Der Datenträger des Servers ist voll (%1)</translation>
    </message>
    <message>
        <source>The server refused the login (%1)</source>
        <translation>Der Server hat die Anmeldung abgelehnt (%1)</translation>
    </message>
    <message>
        <source>The server refused the picture (%1)</source>
        <translation>Der Server hat das Bild abgelehnt (%1)</translation>
    </message>
    <message>
        <source>The SSH server %1 is not known: its key %2 is not in %3, so nothing was sent. Check that fingerprint with the server&apos;s owner, then trust it: ssh-keyscan -p %4 %5 &gt;&gt; %3 (or connect once with ssh).</source>
        <translation>Der SSH-Server %1 ist unbekannt: sein Schlüssel %2 steht nicht in %3, daher wurde nichts gesendet. Prüfen Sie diesen Fingerabdruck mit dem Betreiber des Servers und vertrauen Sie ihm dann: ssh-keyscan -p %4 %5 &gt;&gt; %3 (oder einmal mit ssh verbinden).</translation>
    </message>
    <message>
        <source>WARNING: the SSH key of %1 has CHANGED (it shows %2, but line %3 of %4 holds another). Someone may be listening in: nothing was sent. Only if the server was really reinstalled, remove that line (ssh-keygen -R &apos;%1&apos;).</source>
        <translation>WARNUNG: Der SSH-Schlüssel von %1 hat sich GEÄNDERT (er zeigt %2, aber Zeile %3 von %4 enthält einen anderen). Jemand könnte mithören: es wurde nichts gesendet. Nur wenn der Server wirklich neu installiert wurde, entfernen Sie diese Zeile (ssh-keygen -R &apos;%1&apos;).</translation>
    </message>
    <message>
        <source>The SSH server %1 refused the login of %2 with the RSA key %3: this key type can only sign with SHA-1 here, which current servers refuse. Make an ed25519 key (ssh-keygen -t ed25519) and add its .pub to the server&apos;s authorized_keys.</source>
        <translation>Der SSH-Server %1 hat die Anmeldung von %2 mit dem RSA-Schlüssel %3 abgelehnt: dieser Schlüsseltyp kann hier nur mit SHA-1 signieren, das aktuelle Server ablehnen. Erzeugen Sie einen ed25519-Schlüssel (ssh-keygen -t ed25519) und tragen Sie seine .pub in die authorized_keys des Servers ein.</translation>
    </message>
    <message>
        <source>The SSH server %1 refused the login of %2 (by key and by password).</source>
        <translation>Der SSH-Server %1 hat die Anmeldung von %2 abgelehnt (mit Schlüssel und mit Passwort).</translation>
    </message>
    <message>
        <source>The user name or password holds a control character (such as a line break): retype it.</source>
        <translation>Der Benutzername oder das Passwort enthält ein Steuerzeichen (etwa einen Zeilenumbruch): bitte neu eingeben.</translation>
    </message>
    <message>
        <source>The server&apos;s certificate is for %1, not %2.</source>
        <translation>Das Zertifikat des Servers gilt für %1, nicht für %2.</translation>
    </message>
    <message>
        <source>Connected to %1 over SSH and logged in as %2.</source>
        <translation>Mit %1 über SSH verbunden und als %2 angemeldet.</translation>
    </message>
    <message>
        <source>Connected to %1 with TLS and logged in as %2.</source>
        <translation>Mit %1 über TLS verbunden und als %2 angemeldet.</translation>
    </message>
    <message>
        <source>Connected to %1 without TLS and logged in as %2.</source>
        <translation>Mit %1 ohne TLS verbunden und als %2 angemeldet.</translation>
    </message>
    <message>
        <source>The folder %1 is there.</source>
        <translation>Der Ordner %1 ist vorhanden.</translation>
    </message>
    <message>
        <source>A file cannot be written into %1: %2</source>
        <translation>In %1 kann keine Datei geschrieben werden: %2</translation>
    </message>
    <message>
        <source>A file was written into %1 but cannot be removed there (%2): the always-current picture cannot be replaced and old pictures cannot be removed. Let this account delete files there, or remove %3 by hand.</source>
        <translation>In %1 wurde eine Datei geschrieben, kann dort aber nicht entfernt werden (%2): Das stets aktuelle Bild kann nicht ersetzt und alte Bilder können nicht entfernt werden. Erlauben Sie diesem Konto, dort Dateien zu löschen, oder entfernen Sie %3 von Hand.</translation>
    </message>
    <message>
        <source>A file was written into %1 and removed: pictures can be uploaded.</source>
        <translation>In %1 wurde eine Datei geschrieben und entfernt: Bilder können hochgeladen werden.</translation>
    </message>
    <message>
        <source>The server name %1 is not known: check the address.</source>
        <translation>Der Servername %1 ist unbekannt: prüfen Sie die Adresse.</translation>
    </message>
    <message>
        <source>Nothing answers at %1 on port %2: check the address and the port, and that the server runs.</source>
        <translation>Unter %1 antwortet auf Port %2 nichts: prüfen Sie Adresse und Port und ob der Server läuft.</translation>
    </message>
    <message>
        <source>%1 did not answer in time: check the address, or try again later.</source>
        <translation>%1 hat nicht rechtzeitig geantwortet: prüfen Sie die Adresse oder versuchen Sie es später erneut.</translation>
    </message>
    <message>
        <source>Login refused for user %1: check the user name and the password.</source>
        <translation>Anmeldung für Benutzer %1 abgelehnt: prüfen Sie Benutzername und Passwort.</translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not signed by an authority this computer trusts (%1).</source>
        <translation>Das Zertifikat des Servers ist von keiner Stelle signiert, der dieser Computer vertraut (%1).</translation>
    </message>
    <message>
        <source>The folder %1 does not exist and cannot be made: %2</source>
        <translation>Der Ordner %1 existiert nicht und kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>WARNING: the TLS key of %1 has CHANGED: line %2 of %3 trusts another. Someone may be listening in: nothing was sent. Only if the server really has a new certificate, remove that line and trust it again (ombrix --trust-host %1).</source>
        <translation>WARNUNG: Der TLS-Schlüssel von %1 hat sich GEÄNDERT: Zeile %2 von %3 vertraut einem anderen. Jemand könnte mithören: es wurde nichts gesendet. Nur wenn der Server wirklich ein neues Zertifikat hat, entfernen Sie diese Zeile und vertrauen Sie ihm erneut (ombrix --trust-host %1).</translation>
    </message>
    <message>
        <source>No authority this computer trusts signed the certificate of %1 (its key is %2), so nothing was sent. If this is your own server (a NAS, a router), check that key and trust it: ombrix --trust-host %1.</source>
        <translation>Keine Stelle, der dieser Computer vertraut, hat das Zertifikat von %1 signiert (sein Schlüssel ist %2), daher wurde nichts gesendet. Wenn es Ihr eigener Server ist (ein NAS, ein Router), prüfen Sie diesen Schlüssel und vertrauen Sie ihm: ombrix --trust-host %1.</translation>
    </message>
</context>
<context>
    <name>FilmFormat</name>
    <message>
        <source>MP4 (H.264)</source>
        <translation>MP4 (H.264)</translation>
    </message>
    <message>
        <source>WebM (VP9)</source>
        <translation>WebM (VP9)</translation>
    </message>
    <message>
        <source>WebM (VP8)</source>
        <translation>WebM (VP8)</translation>
    </message>
</context>
<context>
    <name>FilmMaker</name>
    <message>
        <source>The video encoder failed.</source>
        <translation>Der Video-Encoder ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>There are no pictures to make a film of.</source>
        <translation>Es gibt keine Bilder für einen Film.</translation>
    </message>
    <message>
        <source>The picture cannot be read.</source>
        <translation>Das Bild kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>None of the %1 pictures can be read.</source>
        <translation>Keines der %1 Bilder kann gelesen werden.</translation>
    </message>
    <message>
        <source>Cannot write &quot;%1&quot;: %2</source>
        <translation>„%1“ kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>The film cannot be made: %1</source>
        <translation>Der Film kann nicht erstellt werden: %1</translation>
    </message>
    <message>
        <source>The video encoder cannot be started.</source>
        <translation>Der Video-Encoder kann nicht gestartet werden.</translation>
    </message>
</context>
<context>
    <name>HeadlessRecorder</name>
    <message>
        <source>%1 camera &quot;%2&quot; turned off: ticks are skipped until it is back</source>
        <translation>%1 Kamera „%2“ ausgeschaltet: Bilder werden ausgelassen, bis sie zurück ist</translation>
    </message>
    <message>
        <source>%1 camera &quot;%2&quot; is on</source>
        <translation>%1 Kamera „%2“ ist eingeschaltet</translation>
    </message>
    <message>
        <source>%1 the camera works again</source>
        <translation>%1 die Kamera funktioniert wieder</translation>
    </message>
    <message>
        <source>%1 recording every %2 s</source>
        <translation>%1 Aufnahme alle %2 s</translation>
    </message>
    <message>
        <source>%1 camera &quot;%2&quot; connected</source>
        <translation>%1 Kamera „%2“ angeschlossen</translation>
    </message>
    <message>
        <source>%1 camera &quot;%2&quot; disconnected</source>
        <translation>%1 Kamera „%2“ getrennt</translation>
    </message>
    <message>
        <source>%1 skipped: %2</source>
        <translation>%1 ausgelassen: %2</translation>
    </message>
    <message>
        <source>%1 FTP password for %2 from %3</source>
        <translation>%1 FTP-Passwort für %2 aus %3</translation>
    </message>
    <message>
        <source>%1 removed %2 old pictures from %3</source>
        <translation>%1 %2 alte Bilder von %3 entfernt</translation>
    </message>
    <message>
        <source>The state for ombrix --status cannot be written to %1.</source>
        <translation>Der Zustand für ombrix --status kann nicht in %1 geschrieben werden.</translation>
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
    <message>
        <source>Make Time-Lapse Video…</source>
        <translation>Zeitraffer-Video erstellen …</translation>
    </message>
    <message>
        <source>Test Connection</source>
        <translation>Verbindung testen</translation>
    </message>
    <message>
        <source>Connect to the server, log in, and write and remove a small file in the folder</source>
        <translation>Mit dem Server verbinden, anmelden und eine kleine Datei im Ordner schreiben und entfernen</translation>
    </message>
</context>
<context>
    <name>MainWindowController</name>
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
        <source>The picture is kept and will be sent when the server answers again.</source>
        <translation>Das Bild wird aufbewahrt und gesendet, sobald der Server wieder antwortet.</translation>
    </message>
    <message>
        <source>The picture is not kept for the server: it was saved only where saving is on. Once the setting is mended, the next pictures are uploaded.</source>
        <translation>Das Bild wird nicht für den Server aufbewahrt: Es wurde nur dort gespeichert, wo Speichern eingeschaltet ist. Sobald die Einstellung berichtigt ist, werden die nächsten Bilder hochgeladen.</translation>
    </message>
    <message>
        <source>Recording stopped: the camera was turned off</source>
        <translation>Aufnahme beendet: Die Kamera wurde ausgeschaltet</translation>
    </message>
    <message>
        <source>The picture is set aside in the outbox; the pictures after it are still sent, and it is tried again now and then.</source>
        <translation>Das Bild wird im Postausgang zurückgestellt; die Bilder danach werden weiter gesendet, und es wird ab und zu erneut versucht.</translation>
    </message>
    <message>
        <source>The picture is not kept: it was saved only where saving is on.</source>
        <translation>Das Bild wird nicht aufbewahrt: Es wurde nur gespeichert, wo das Speichern eingeschaltet ist.</translation>
    </message>
    <message>
        <source>Remove old pictures?</source>
        <translation>Alte Bilder entfernen?</translation>
    </message>
</context>
<context>
    <name>MakeVideoCommand</name>
    <message>
        <source>Make a film of the pictures in FOLDER.</source>
        <translation>Einen Film aus den Bildern in FOLDER erstellen.</translation>
    </message>
    <message>
        <source>The pictures&apos; base name (default: the settings&apos;).</source>
        <translation>Der Grundname der Bilder (Vorgabe: der aus den Einstellungen).</translation>
    </message>
    <message>
        <source>The first date and time to use.</source>
        <translation>Das erste zu verwendende Datum mit Uhrzeit.</translation>
    </message>
    <message>
        <source>The last date and time to use.</source>
        <translation>Das letzte zu verwendende Datum mit Uhrzeit.</translation>
    </message>
    <message>
        <source>Frames per second (default 24).</source>
        <translation>Bilder pro Sekunde (Vorgabe 24).</translation>
    </message>
    <message>
        <source>The film&apos;s size (default: the first picture&apos;s).</source>
        <translation>Die Größe des Films (Vorgabe: die des ersten Bildes).</translation>
    </message>
    <message>
        <source>The film to write: .mp4 (H.264) or .webm (VP8).</source>
        <translation>Der zu schreibende Film: .mp4 (H.264) oder .webm (VP8).</translation>
    </message>
    <message>
        <source>unexpected argument &quot;%1&quot;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>--make-video needs -o FILE, the film to write</source>
        <translation>--make-video braucht -o FILE, den zu schreibenden Film</translation>
    </message>
    <message>
        <source>unknown film format &quot;%1&quot;: use .mp4 or .webm</source>
        <translation>unbekanntes Filmformat „%1“: .mp4 oder .webm verwenden</translation>
    </message>
    <message>
        <source>MP4 needs GStreamer&apos;s x264enc (gstreamer1.0-plugins-ugly); use .webm instead</source>
        <translation>MP4 braucht x264enc von GStreamer (gstreamer1.0-plugins-ugly); stattdessen .webm verwenden</translation>
    </message>
    <message>
        <source>%1 needs GStreamer&apos;s good plugins</source>
        <translation>%1 braucht die „good“-Plugins von GStreamer</translation>
    </message>
    <message>
        <source>--fps must be a whole number from 1 to 120</source>
        <translation>--fps muss eine ganze Zahl von 1 bis 120 sein</translation>
    </message>
    <message>
        <source>--size must be WIDTHxHEIGHT, for example 1280x720</source>
        <translation>--size muss BREITExHÖHE sein, zum Beispiel 1280x720</translation>
    </message>
    <message>
        <source>--from: not a date and time: %1</source>
        <translation>--from: kein Datum mit Uhrzeit: %1</translation>
    </message>
    <message>
        <source>--to: not a date and time: %1</source>
        <translation>--to: kein Datum mit Uhrzeit: %1</translation>
    </message>
    <message>
        <source>no pictures named %1_yyyyMMdd_HHmmss.jpg in %2</source>
        <translation>keine Bilder namens %1_yyyyMMdd_HHmmss.jpg in %2</translation>
    </message>
    <message>
        <source>no picture in %1 was taken in that time (%2 in all)</source>
        <translation>kein Bild in %1 wurde in dieser Zeit aufgenommen (%2 insgesamt)</translation>
    </message>
    <message>
        <source>%1 of %2 pictures</source>
        <translation>%1 von %2 Bildern</translation>
    </message>
    <message>
        <source>, about %1 s left</source>
        <translation>, noch etwa %1 s</translation>
    </message>
    <message>
        <source>1 frame</source>
        <translation>1 Bild</translation>
    </message>
    <message>
        <source>%1 frames</source>
        <translation>%1 Bilder</translation>
    </message>
    <message>
        <source>Made %1: %2, %3 s at %4 fps, %5x%6.</source>
        <translation>%1 erstellt: %2, %3 s bei %4 Bildern/s, %5x%6.</translation>
    </message>
    <message>
        <source>1 unreadable picture skipped.</source>
        <translation>1 unlesbares Bild übersprungen.</translation>
    </message>
    <message>
        <source>%1 unreadable pictures skipped.</source>
        <translation>%1 unlesbare Bilder übersprungen.</translation>
    </message>
    <message>
        <source>Smooth light: even out brightness jumps between pictures.</source>
        <translation>Licht glätten: Helligkeitssprünge zwischen Bildern ausgleichen.</translation>
    </message>
</context>
<context>
    <name>MakeVideoDialog</name>
    <message>
        <source>Make Time-Lapse Video</source>
        <translation>Zeitraffer-Video erstellen</translation>
    </message>
    <message>
        <source>Pictures in:</source>
        <translation>Bilder in:</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Wählen …</translation>
    </message>
    <message>
        <source>Named:</source>
        <translation>Namens:</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>Von:</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>Bis:</translation>
    </message>
    <message>
        <source>Frames per second:</source>
        <translation>Bilder pro Sekunde:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>Sichern als:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Make Video</source>
        <translation>Video erstellen</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>1 picture</source>
        <translation>1 Bild</translation>
    </message>
    <message>
        <source>%1 pictures</source>
        <translation>%1 Bilder</translation>
    </message>
    <message>
        <source>The pictures&apos; size (%1)</source>
        <translation>Größe der Bilder (%1)</translation>
    </message>
    <message>
        <source>The pictures&apos; size</source>
        <translation>Größe der Bilder</translation>
    </message>
    <message>
        <source>No pictures named %1_yyyyMMdd_HHmmss.jpg in this folder.</source>
        <translation>Keine Bilder namens %1_yyyyMMdd_HHmmss.jpg in diesem Ordner.</translation>
    </message>
    <message>
        <source>No pictures between these times (%1 in the folder).</source>
        <translation>Keine Bilder zwischen diesen Zeiten (%1 im Ordner).</translation>
    </message>
    <message>
        <source>%1, taken over %2: %3 to %4.</source>
        <translation>%1, aufgenommen über %2: %3 bis %4.</translation>
    </message>
    <message>
        <source>= %1 of film</source>
        <translation>= %1 Film</translation>
    </message>
    <message>
        <source>Pictures in</source>
        <translation>Bilder in</translation>
    </message>
    <message>
        <source>Save Video As</source>
        <translation>Video sichern als</translation>
    </message>
    <message>
        <source>Replace Video</source>
        <translation>Video ersetzen</translation>
    </message>
    <message>
        <source>&quot;%1&quot; exists. Replace it?</source>
        <translation>„%1“ existiert bereits. Ersetzen?</translation>
    </message>
    <message>
        <source>Starting…</source>
        <translation>Beginnt …</translation>
    </message>
    <message>
        <source>%1 of %2 pictures</source>
        <translation>%1 von %2 Bildern</translation>
    </message>
    <message>
        <source>, about %1 left</source>
        <translation>, noch etwa %1</translation>
    </message>
    <message>
        <source>Made %1: %2 of film from %3.</source>
        <translation>%1 erstellt: %2 Film aus %3.</translation>
    </message>
    <message>
        <source>1 picture could not be read and was left out.</source>
        <translation>1 Bild konnte nicht gelesen werden und wurde ausgelassen.</translation>
    </message>
    <message>
        <source>%1 pictures could not be read and were left out.</source>
        <translation>%1 Bilder konnten nicht gelesen werden und wurden ausgelassen.</translation>
    </message>
    <message>
        <source>Cancelled; no video was saved.</source>
        <translation>Abgebrochen; es wurde kein Video gesichert.</translation>
    </message>
    <message>
        <source>The video could not be made: %1</source>
        <translation>Das Video konnte nicht erstellt werden: %1</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Smooth light (evens out brightness jumps between pictures)</source>
        <translation>Licht glätten (gleicht Helligkeitssprünge zwischen Bildern aus)</translation>
    </message>
</context>
<context>
    <name>Netrc</name>
    <message>
        <source>The password file %1 can be read by other users, so it is not used; make it private with: chmod 600 %1</source>
        <translation>Die Passwortdatei %1 ist für andere Benutzer lesbar und wird daher nicht verwendet; schützen Sie sie mit: chmod 600 %1</translation>
    </message>
    <message>
        <source>The password file %1 belongs to another user, so it is not used.</source>
        <translation>Die Passwortdatei %1 gehört einem anderen Benutzer und wird daher nicht verwendet.</translation>
    </message>
    <message>
        <source>The password file %1 cannot be read: %2</source>
        <translation>Die Passwortdatei %1 kann nicht gelesen werden: %2</translation>
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
    <name>PasswordKeychain</name>
    <message>
        <source>The FTP password could not be stored in the keyring (no answer from the keyring)</source>
        <translation>Das FTP-Passwort konnte nicht im Schlüsselbund gespeichert werden (keine Antwort vom Schlüsselbund)</translation>
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
    <message>
        <source>Record only between</source>
        <translation>Nur aufnehmen zwischen</translation>
    </message>
    <message>
        <source>and</source>
        <translation>und</translation>
    </message>
    <message>
        <source>Skip pictures darker than</source>
        <translation>Bilder auslassen, die dunkler sind als</translation>
    </message>
    <message>
        <source>Keep pictures for</source>
        <translation>Bilder behalten für</translation>
    </message>
    <message>
        <source> days</source>
        <translation> Tage</translation>
    </message>
    <message>
        <source>forever</source>
        <translation>immer</translation>
    </message>
    <message>
        <source>Keep at most</source>
        <translation>Höchstens behalten</translation>
    </message>
    <message>
        <source> MB of pictures</source>
        <translation> MB an Bildern</translation>
    </message>
    <message>
        <source>no limit</source>
        <translation>keine Grenze</translation>
    </message>
    <message>
        <source>Keep free on their disk</source>
        <translation>Auf ihrem Datenträger frei halten</translation>
    </message>
    <message>
        <source> MB</source>
        <translation> MB</translation>
    </message>
    <message>
        <source>nothing set</source>
        <translation>nichts festgelegt</translation>
    </message>
    <message>
        <source>Keep pictures on the server for</source>
        <translation>Bilder auf dem Server behalten für</translation>
    </message>
    <message>
        <source>Follow the sun at latitude</source>
        <translation>Der Sonne folgen, Breitengrad</translation>
    </message>
    <message>
        <source>longitude</source>
        <translation>Längengrad</translation>
    </message>
    <message>
        <source>from sunrise</source>
        <translation>ab Sonnenaufgang</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>to sunset</source>
        <translation>bis Sonnenuntergang</translation>
    </message>
    <message>
        <source>Make a film of each day at</source>
        <translation>Jeden Tag einen Film machen um</translation>
    </message>
    <message>
        <source>and upload it</source>
        <translation>und hochladen</translation>
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
    <name>ProblemWatch</name>
    <message>
        <source>Camera failed</source>
        <translation>Kamera ausgefallen</translation>
    </message>
    <message>
        <source>Camera back</source>
        <translation>Kamera wieder da</translation>
    </message>
    <message>
        <source>Uploads failing</source>
        <translation>Hochladen schlägt fehl</translation>
    </message>
    <message>
        <source>Uploads back</source>
        <translation>Hochladen geht wieder</translation>
    </message>
    <message>
        <source>Saving failing</source>
        <translation>Sichern schlägt fehl</translation>
    </message>
    <message>
        <source>Saving back</source>
        <translation>Sichern geht wieder</translation>
    </message>
    <message>
        <source>Disk full</source>
        <translation>Datenträger voll</translation>
    </message>
    <message>
        <source>Room on the disk again</source>
        <translation>Wieder Platz auf dem Datenträger</translation>
    </message>
    <message>
        <source>FTP password missing</source>
        <translation>FTP-Passwort fehlt</translation>
    </message>
    <message>
        <source>FTP password known</source>
        <translation>FTP-Passwort bekannt</translation>
    </message>
    <message>
        <source>The camera &quot;%1&quot; was disconnected: waiting for it to come back.</source>
        <translation>Die Kamera „%1“ wurde getrennt: es wird auf ihre Rückkehr gewartet.</translation>
    </message>
    <message>
        <source>No camera is attached: waiting for one.</source>
        <translation>Keine Kamera angeschlossen: es wird auf eine gewartet.</translation>
    </message>
    <message>
        <source>The camera &quot;%1&quot; is turned off.</source>
        <translation>Die Kamera „%1“ ist ausgeschaltet.</translation>
    </message>
    <message>
        <source>The camera &quot;%1&quot; works again.</source>
        <translation>Die Kamera „%1“ funktioniert wieder.</translation>
    </message>
    <message>
        <source>Uploads have failed since %1: %2</source>
        <translation>Das Hochladen schlägt seit %1 fehl: %2</translation>
    </message>
    <message>
        <source>Pictures are saved again.</source>
        <translation>Bilder werden wieder gesichert.</translation>
    </message>
    <message>
        <source>There is room on the disk again: pictures are saved.</source>
        <translation>Auf dem Datenträger ist wieder Platz: Bilder werden gesichert.</translation>
    </message>
    <message>
        <source>Uploads work again: the outbox is empty.</source>
        <translation>Das Hochladen geht wieder: der Postausgang ist leer.</translation>
    </message>
    <message>
        <source>The FTP password is known: uploads go on.</source>
        <translation>Das FTP-Passwort ist bekannt: das Hochladen geht weiter.</translation>
    </message>
</context>
<context>
    <name>RecordingSession</name>
    <message>
        <source>the camera is turned off</source>
        <translation>die Kamera ist ausgeschaltet</translation>
    </message>
    <message>
        <source>no save folder is chosen (Preferences, or OXSaveToDiskPath in the settings file)</source>
        <translation>kein Ordner zum Sichern gewählt (Einstellungen, oder OXSaveToDiskPath in der Einstellungsdatei)</translation>
    </message>
    <message>
        <source>The %1 holds a control character (such as a line break), which would reach the server as a command of its own. Retype the %1.</source>
        <translation>Das Feld %1 enthält ein Steuerzeichen (etwa einen Zeilenumbruch), das beim Server als eigener Befehl ankäme. Geben Sie %1 neu ein.</translation>
    </message>
    <message>
        <source>none needed (anonymous login)</source>
        <translation>keinem (anonyme Anmeldung braucht keins)</translation>
    </message>
    <message>
        <source>the password field</source>
        <translation>dem Passwortfeld</translation>
    </message>
    <message>
        <source>No FTP password for %1 in the keyring: pictures to upload wait in the outbox.</source>
        <translation>Kein FTP-Passwort für %1 im Schlüsselbund: Bilder zum Hochladen warten im Ausgang.</translation>
    </message>
    <message>
        <source>typed</source>
        <translation>der Eingabe</translation>
    </message>
    <message>
        <source>Trying again.</source>
        <translation>Neuer Versuch folgt.</translation>
    </message>
    <message>
        <source>Nothing to do: the settings neither save pictures nor upload them (set OXSaveToDiskFlag or OXFTPServerAddress in %1).</source>
        <translation>Nichts zu tun: Laut Einstellungen werden Bilder weder gesichert noch hochgeladen (OXSaveToDiskFlag oder OXFTPServerAddress in %1 setzen).</translation>
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
        <source>the keyring</source>
        <translation>dem Schlüsselbund</translation>
    </message>
    <message>
        <source>No FTP password for %1 in the keyring or in %2: pictures to upload wait in the outbox.</source>
        <translation>Kein FTP-Passwort für %1 im Schlüsselbund oder in %2: Bilder zum Hochladen warten im Ausgang.</translation>
    </message>
    <message>
        <source>The keyring has not answered (it may be locked): uploads wait for the FTP password; type it to upload now</source>
        <translation>Der Schlüsselbund hat nicht geantwortet (vielleicht ist er gesperrt): Das Hochladen wartet auf das FTP-Passwort; geben Sie es ein, um jetzt hochzuladen</translation>
    </message>
    <message>
        <source>This removes %1 pictures (%2) taken before %3.</source>
        <translation>Dies entfernt %1 Bilder (%2), aufgenommen vor dem %3.</translation>
    </message>
    <message>
        <source>none (the SSH key logs in)</source>
        <translation>keinem (der SSH-Schlüssel meldet an)</translation>
    </message>
    <message>
        <source>%1, not uploaded: a server field holds a control character</source>
        <translation>%1, nicht hochgeladen: ein Serverfeld enthält ein Steuerzeichen</translation>
    </message>
    <message>
        <source>uploaded</source>
        <translation>hochgeladen</translation>
    </message>
    <message>
        <source>waiting in the outbox for the server</source>
        <translation>wartet im Ausgang auf den Server</translation>
    </message>
    <message>
        <source>not uploaded: %1</source>
        <translation>nicht hochgeladen: %1</translation>
    </message>
    <message>
        <source>the film cannot be read</source>
        <translation>der Film kann nicht gelesen werden</translation>
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
    <name>ServiceStatus</name>
    <message>
        <source>Ombrix service (process %1)</source>
        <translation>Ombrix-Dienst (Prozess %1)</translation>
    </message>
    <message>
        <source>Camera:          %1</source>
        <translation>Kamera:          %1</translation>
    </message>
    <message>
        <source>none attached</source>
        <translation>keine angeschlossen</translation>
    </message>
    <message>
        <source>Recording since: %1, every %2 s</source>
        <translation>Aufnahme seit:   %1, alle %2 s</translation>
    </message>
    <message>
        <source>Last picture:    %1</source>
        <translation>Letztes Bild:    %1</translation>
    </message>
    <message>
        <source>none yet</source>
        <translation>noch keines</translation>
    </message>
    <message>
        <source>Waiting:         %1 pictures in the outbox</source>
        <translation>Wartend:         %1 Bilder im Postausgang</translation>
    </message>
    <message>
        <source>Free space:      nothing is saved</source>
        <translation>Freier Platz:    es wird nichts gesichert</translation>
    </message>
    <message>
        <source>Free space:      %1 in %2</source>
        <translation>Freier Platz:    %1 in %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Problems:        none</source>
        <translation>Probleme:        keine</translation>
    </message>
    <message>
        <source>Problem:         %1 since %2: %3</source>
        <translation>Problem:         %1 seit %2: %3</translation>
    </message>
</context>
<context>
    <name>SessionQuestions</name>
    <message>
        <source>Remove old pictures?</source>
        <translation>Alte Bilder entfernen?</translation>
    </message>
    <message>
        <source>Trust this SSH server?</source>
        <translation>Diesem SSH-Server vertrauen?</translation>
    </message>
    <message>
        <source>The SSH server %1 is not known yet. Its key is:

%2

Trust it only if the server&apos;s owner confirms this fingerprint. Pictures wait in the outbox until then.</source>
        <translation>Der SSH-Server %1 ist noch unbekannt. Sein Schlüssel ist:

%2

Vertrauen Sie ihm nur, wenn der Betreiber des Servers diesen Fingerabdruck bestätigt. Bis dahin warten die Bilder im Postausgang.</translation>
    </message>
    <message>
        <source>The key could not be added to known_hosts: %1</source>
        <translation>Der Schlüssel konnte nicht in known_hosts eingetragen werden: %1</translation>
    </message>
    <message>
        <source>Trust this server?</source>
        <translation>Diesem Server vertrauen?</translation>
    </message>
    <message>
        <source>No authority this computer trusts signed the certificate of %1. Its key is:

%2

Trust it only if this is your own server (a NAS, a router) and that is its key. From then on only this key is accepted there, and always with TLS.</source>
        <translation>Keine Stelle, der dieser Computer vertraut, hat das Zertifikat von %1 signiert. Sein Schlüssel ist:

%2

Vertrauen Sie ihm nur, wenn es Ihr eigener Server ist (ein NAS, ein Router) und dies sein Schlüssel ist. Danach wird dort nur dieser Schlüssel angenommen, und immer mit TLS.</translation>
    </message>
    <message>
        <source>The key could not be written down: %1</source>
        <translation>Der Schlüssel konnte nicht gespeichert werden: %1</translation>
    </message>
</context>
<context>
    <name>SettingsLock</name>
    <message>
        <source>Another Ombrix (process %1) is already using the settings file %2. Only one Ombrix may record with it at a time: quit the other one first.</source>
        <translation>Ein anderes Ombrix (Prozess %1) verwendet bereits die Einstellungsdatei %2. Nur ein Ombrix darf gleichzeitig damit aufnehmen: Beenden Sie zuerst das andere.</translation>
    </message>
</context>
<context>
    <name>SunHours</name>
    <message>
        <source>all day today: the sun does not set</source>
        <translation>heute den ganzen Tag: die Sonne geht nicht unter</translation>
    </message>
    <message>
        <source>no pictures today: the sun does not rise</source>
        <translation>heute keine Bilder: die Sonne geht nicht auf</translation>
    </message>
    <message>
        <source>today %1 to %2</source>
        <translation>heute %1 bis %2</translation>
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
    <name>TickGate</name>
    <message>
        <source>outside active hours</source>
        <translation>außerhalb der Aufnahmezeiten</translation>
    </message>
    <message>
        <source>too dark: %1%</source>
        <translation>zu dunkel: %1 %</translation>
    </message>
    <message>
        <source>the sun does not rise today</source>
        <translation>die Sonne geht heute nicht auf</translation>
    </message>
    <message>
        <source>outside active hours (%1)</source>
        <translation>außerhalb der Aufnahmezeiten (%1)</translation>
    </message>
</context>
<context>
    <name>TickOutcome</name>
    <message>
        <source>no new picture from the camera since the last one: nothing saved or sent</source>
        <translation>kein neues Bild von der Kamera seit dem letzten: nichts gespeichert oder gesendet</translation>
    </message>
    <message>
        <source>The picture is kept and will be sent when the server answers again.</source>
        <translation>Das Bild wird aufbewahrt und gesendet, sobald der Server wieder antwortet.</translation>
    </message>
    <message>
        <source>The picture is set aside in the outbox; the pictures after it are still sent, and it is tried again now and then.</source>
        <translation>Das Bild wird im Postausgang zurückgestellt; die Bilder danach werden weiter gesendet, und es wird ab und zu erneut versucht.</translation>
    </message>
    <message>
        <source>The picture is not kept: it was saved only where saving is on.</source>
        <translation>Das Bild wird nicht aufbewahrt: Es wurde nur gespeichert, wo das Speichern eingeschaltet ist.</translation>
    </message>
    <message>
        <source>not uploaded: %1</source>
        <translation>nicht hochgeladen: %1</translation>
    </message>
    <message>
        <source>not uploaded</source>
        <translation>nicht hochgeladen</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Nicht gesichert: %1</translation>
    </message>
    <message>
        <source>saved</source>
        <translation>gesichert</translation>
    </message>
    <message>
        <source>not saved: %1</source>
        <translation>nicht gesichert: %1</translation>
    </message>
    <message>
        <source>uploaded</source>
        <translation>hochgeladen</translation>
    </message>
    <message>
        <source>kept in the outbox (%1 waiting)</source>
        <translation>im Ausgang aufbewahrt (%1 warten)</translation>
    </message>
    <message>
        <source>upload waiting</source>
        <translation>Hochladen wartet</translation>
    </message>
    <message>
        <source>kept in the outbox: %1</source>
        <translation>im Ausgang aufbewahrt: %1</translation>
    </message>
    <message>
        <source>upload failed</source>
        <translation>Upload fehlgeschlagen</translation>
    </message>
    <message>
        <source>no picture from the camera yet</source>
        <translation>noch kein Bild von der Kamera</translation>
    </message>
    <message>
        <source>taken</source>
        <translation>aufgenommen</translation>
    </message>
    <message>
        <source>Not saved to %1: %2</source>
        <translation>Nicht in %1 gesichert: %2</translation>
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
        <source>, until the FTP password is known</source>
        <translation>, bis das FTP-Passwort bekannt ist</translation>
    </message>
    <message>
        <source>, next try in %1 s</source>
        <translation>, nächster Versuch in %1 s</translation>
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
        <source>Pictures cannot be kept for upload: %1</source>
        <translation>Bilder können nicht für das Hochladen aufbewahrt werden: %1</translation>
    </message>
    <message>
        <source>set aside in the outbox: %1</source>
        <translation>im Postausgang zurückgestellt: %1</translation>
    </message>
    <message>
        <source>upload set aside</source>
        <translation>Hochladen zurückgestellt</translation>
    </message>
    <message>
        <source>not kept: %1</source>
        <translation>nicht aufbewahrt: %1</translation>
    </message>
    <message>
        <source>upload failed, not kept</source>
        <translation>Hochladen fehlgeschlagen, nicht aufbewahrt</translation>
    </message>
    <message>
        <source>1 picture set aside (%1: %2)</source>
        <translation>1 Bild zurückgestellt (%1: %2)</translation>
    </message>
    <message>
        <source>%1 pictures set aside (the newest, %2: %3)</source>
        <translation>%1 Bilder zurückgestellt (das neueste, %2: %3)</translation>
    </message>
    <message>
        <source>%1 free</source>
        <translation>%1 frei</translation>
    </message>
    <message>
        <source>1 old picture removed today</source>
        <translation>1 altes Bild heute entfernt</translation>
    </message>
    <message>
        <source>%1 old pictures removed today</source>
        <translation>%1 alte Bilder heute entfernt</translation>
    </message>
    <message>
        <source>%1 could not be removed</source>
        <translation>%1 konnten nicht entfernt werden</translation>
    </message>
    <message>
        <source>removed %1 old pictures (%2)</source>
        <translation>%1 alte Bilder entfernt (%2)</translation>
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
    <name>UploadCheck</name>
    <message>
        <source>ombrix: --trust-host takes HOST, HOST:PORT or https://HOST:PORT, not &quot;%1&quot;.</source>
        <translation>ombrix: --trust-host erwartet HOST, HOST:PORT oder https://HOST:PORT, nicht &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>ombrix: %1 showed no TLS certificate.</source>
        <translation>ombrix: %1 hat kein TLS-Zertifikat gezeigt.</translation>
    </message>
    <message>
        <source>The key of the certificate of %1 is
  %2
Trust it only if this is your own server and that is its key. Trust it? [y/N]</source>
        <translation>Der Schlüssel des Zertifikats von %1 ist
  %2
Vertrauen Sie ihm nur, wenn es Ihr eigener Server und dies sein Schlüssel ist. Vertrauen? [y/N]</translation>
    </message>
    <message>
        <source>Not trusted.</source>
        <translation>Nicht vertraut.</translation>
    </message>
    <message>
        <source>ombrix: %1 cannot be written: %2</source>
        <translation>ombrix: %1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Trusted: %1 is accepted with this key only, and always with TLS.</source>
        <translation>Vertraut: %1 wird nur mit diesem Schlüssel angenommen, und immer mit TLS.</translation>
    </message>
    <message>
        <source>ombrix: no server address in the settings (OXFTPServerAddress).</source>
        <translation>ombrix: keine Serveradresse in den Einstellungen (OXFTPServerAddress).</translation>
    </message>
    <message>
        <source>Checking %1 as %2:</source>
        <translation>Prüfe %1 als %2:</translation>
    </message>
</context>
<context>
    <name>UserDefaults</name>
    <message>
        <source>The settings file %1 cannot be read (%2). Ombrix uses the default settings and keeps your changes for this session only.</source>
        <translation>Die Einstellungsdatei %1 kann nicht gelesen werden (%2). Ombrix verwendet die Standardeinstellungen und behält Ihre Änderungen nur für diese Sitzung.</translation>
    </message>
    <message>
        <source>A copy could not be made, so changes are kept for this session only.</source>
        <translation>Es konnte keine Kopie angelegt werden, daher werden Änderungen nur für diese Sitzung behalten.</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1.</source>
        <translation>Die Einstellungen konnten nicht in %1 gesichert werden.</translation>
    </message>
    <message>
        <source>The settings file %1 is damaged (%2). Ombrix uses the default settings for what it cannot read, and keeps a copy of the damaged file beside it before it next saves the settings.</source>
        <translation>Die Einstellungsdatei %1 ist beschädigt (%2). Ombrix verwendet die Standardeinstellungen für alles, was es nicht lesen kann, und legt eine Kopie der beschädigten Datei daneben ab, bevor es die Einstellungen das nächste Mal sichert.</translation>
    </message>
    <message>
        <source>The settings file %1 is damaged. Ombrix uses the default settings for what it cannot read, and keeps a copy of the damaged file beside it before it next saves the settings.</source>
        <translation>Die Einstellungsdatei %1 ist beschädigt. Ombrix verwendet die Standardeinstellungen für alles, was es nicht lesen kann, und legt eine Kopie der beschädigten Datei daneben ab, bevor es die Einstellungen das nächste Mal sichert.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Time-lapse pictures from a camera, saved to a folder and uploaded by FTP.
Without options, the window opens. Films: ombrix --make-video FOLDER [--name NAME] [--from DATE_TIME] [--to DATE_TIME] [--fps N] [--size WxH] -o FILE</source>
        <translation>Zeitrafferbilder einer Kamera, in einen Ordner gesichert und per FTP hochgeladen.
Ohne Optionen öffnet sich das Fenster. Filme: ombrix --make-video FOLDER [--name NAME] [--from DATE_TIME] [--to DATE_TIME] [--fps N] [--size WxH] -o FILE</translation>
    </message>
    <message>
        <source>Record with the settings file&apos;s values, without a window.</source>
        <translation>Mit den Werten der Einstellungsdatei aufnehmen, ohne Fenster.</translation>
    </message>
    <message>
        <source>The camera to record with: its name as --list-cameras prints it, or its device (/dev/video0, /dev/v4l/by-id/...).</source>
        <translation>Die Kamera für die Aufnahme: ihr Name, wie --list-cameras ihn ausgibt, oder ihr Gerät (/dev/video0, /dev/v4l/by-id/...).</translation>
    </message>
    <message>
        <source>Print the names of the attached cameras.</source>
        <translation>Die Namen der angeschlossenen Kameras ausgeben.</translation>
    </message>
    <message>
        <source>ombrix: --camera goes with --headless</source>
        <translation>ombrix: --camera gehört zu --headless</translation>
    </message>
    <message>
        <source>ombrix: no camera named &quot;%1&quot; (attached: %2)</source>
        <translation>ombrix: keine Kamera namens „%1“ (angeschlossen: %2)</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>No camera is attached yet: waiting for one.</source>
        <translation>Noch ist keine Kamera angeschlossen: Warten auf eine.</translation>
    </message>
    <message>
        <source>Stopped (signal %1).</source>
        <translation>Beendet (Signal %1).</translation>
    </message>
    <message>
        <source>Print the state of the running service.</source>
        <translation>Den Zustand des laufenden Dienstes ausgeben.</translation>
    </message>
    <message>
        <source>Try the settings&apos; server: connect, log in, write and remove a file.</source>
        <translation>Den Server der Einstellungen prüfen: verbinden, anmelden, eine Datei schreiben und entfernen.</translation>
    </message>
    <message>
        <source>Trust an FTPS server whose certificate no authority signed, by its key.</source>
        <translation>Einem FTPS-Server, dessen Zertifikat keine Stelle signiert hat, anhand seines Schlüssels vertrauen.</translation>
    </message>
</context>
</TS>
