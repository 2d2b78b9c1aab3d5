<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AlertsDialog</name>
    <message>
        <source>Alerts</source>
        <translation>Alarme</translation>
    </message>
    <message>
        <source>One rule a line, &lt;tt&gt;target,figure,condition,value&lt;/tt&gt;; &lt;tt&gt;#&lt;/tt&gt; starts a comment.&lt;br&gt;target: a domain, &lt;tt&gt;@group&lt;/tt&gt; or &lt;tt&gt;*&lt;/tt&gt; · figure: &lt;tt&gt;global&lt;/tt&gt;, &lt;tt&gt;us&lt;/tt&gt;, &lt;tt&gt;yesterday&lt;/tt&gt;, &lt;tt&gt;7day&lt;/tt&gt;, &lt;tt&gt;1month&lt;/tt&gt;, &lt;tt&gt;3month&lt;/tt&gt;&lt;br&gt;condition,value: &lt;tt&gt;moves,10%&lt;/tt&gt; or &lt;tt&gt;moves,50&lt;/tt&gt; (places, either way, against the previous record) · &lt;tt&gt;enters-top,1000&lt;/tt&gt; · &lt;tt&gt;leaves-top,100&lt;/tt&gt;&lt;br&gt;For example &lt;tt&gt;@mine,global,moves,10%&lt;/tt&gt;</source>
        <translation>Eine Regel je Zeile, &lt;tt&gt;target,figure,condition,value&lt;/tt&gt;; &lt;tt&gt;#&lt;/tt&gt; beginnt einen Kommentar.&lt;br&gt;target: eine Domain, &lt;tt&gt;@gruppe&lt;/tt&gt; oder &lt;tt&gt;*&lt;/tt&gt; · figure: &lt;tt&gt;global&lt;/tt&gt;, &lt;tt&gt;us&lt;/tt&gt;, &lt;tt&gt;yesterday&lt;/tt&gt;, &lt;tt&gt;7day&lt;/tt&gt;, &lt;tt&gt;1month&lt;/tt&gt;, &lt;tt&gt;3month&lt;/tt&gt;&lt;br&gt;condition,value: &lt;tt&gt;moves,10%&lt;/tt&gt; oder &lt;tt&gt;moves,50&lt;/tt&gt; (Plätze, in beide Richtungen, gegenüber dem vorigen Datensatz) · &lt;tt&gt;enters-top,1000&lt;/tt&gt; · &lt;tt&gt;leaves-top,100&lt;/tt&gt;&lt;br&gt;Zum Beispiel &lt;tt&gt;@mine,global,moves,10%&lt;/tt&gt;</translation>
    </message>
    <message>
        <source>&amp;Mail alerts to:</source>
        <translation>Alarme &amp;mailen an:</translation>
    </message>
    <message>
        <source>Send a &amp;test mail</source>
        <translation>&amp;Testmail senden</translation>
    </message>
    <message>
        <source>Test &amp;notification</source>
        <translation>Test&amp;benachrichtigung</translation>
    </message>
    <message>
        <source>Type the address to mail to first: one address, such as me@example.com.</source>
        <translation>Geben Sie zuerst die Adresse ein: eine Adresse, etwa ich@example.com.</translation>
    </message>
    <message>
        <source>Sorvane: a test mail</source>
        <translation>Sorvane: eine Testmail</translation>
    </message>
    <message>
        <source>This is a test mail from Sorvane&apos;s Alerts dialog: rank alerts will reach this address.</source>
        <translation>Dies ist eine Testmail aus Sorvanes Alarm-Dialog: Rangalarme erreichen diese Adresse.</translation>
    </message>
    <message>
        <source>A test mail to %1 was handed to the mail program.</source>
        <translation>Eine Testmail an %1 wurde dem Mailprogramm übergeben.</translation>
    </message>
    <message>
        <source>This is a test notification: rank alerts will show like this.</source>
        <translation>Dies ist eine Testbenachrichtigung: So erscheinen Rangalarme.</translation>
    </message>
    <message>
        <source>A test notification was sent to the desktop (a desktop without a notification service shows none).</source>
        <translation>Eine Testbenachrichtigung wurde an den Desktop gesendet (ein Desktop ohne Benachrichtigungsdienst zeigt keine).</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no mail address: give one address, such as me@example.com, or none.</source>
        <translation>„%1“ ist keine Mailadresse: Geben Sie eine Adresse an, etwa ich@example.com, oder keine.</translation>
    </message>
    <message>
        <source>me@example.com</source>
        <translation>ich@example.com</translation>
    </message>
    <message>
        <source>One address; empty for no mail</source>
        <translation>Eine Adresse; leer für keine Mail</translation>
    </message>
</context>
<context>
    <name>CAlertLog</name>
    <message>
        <source>Could not add the alerts to %1: %2</source>
        <translation>Die Alarme konnten nicht an %1 angefügt werden: %2</translation>
    </message>
</context>
<context>
    <name>CAlertMailer</name>
    <message>
        <source>&quot;%1&quot; is no mail address; no mail was sent</source>
        <translation>„%1“ ist keine Mailadresse; es wurde keine Mail gesendet</translation>
    </message>
    <message>
        <source>Could not run the mail program %1: %2</source>
        <translation>Das Mailprogramm %1 konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>The mail program %1 did not finish; the mail may not have been sent</source>
        <translation>Das Mailprogramm %1 wurde nicht fertig; die Mail wurde womöglich nicht gesendet</translation>
    </message>
    <message>
        <source>The mail program %1 failed (exit code %2)%3</source>
        <translation>Das Mailprogramm %1 ist fehlgeschlagen (Exit-Code %2)%3</translation>
    </message>
</context>
<context>
    <name>CAlertRule</name>
    <message>
        <source>not &quot;target,figure,condition,value&quot;</source>
        <translation>nicht „target,figure,condition,value“</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no group name</source>
        <translation>„%1“ ist kein Gruppenname</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no domain, @group or *</source>
        <translation>„%1“ ist weder eine Domain noch @Gruppe noch *</translation>
    </message>
    <message>
        <source>unknown figure &quot;%1&quot; (one of %2)</source>
        <translation>unbekannte Kennzahl „%1“ (eine von %2)</translation>
    </message>
    <message>
        <source>unknown condition &quot;%1&quot; (moves, enters-top or leaves-top)</source>
        <translation>unbekannte Bedingung „%1“ (moves, enters-top oder leaves-top)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no move (N places or N%)</source>
        <translation>„%1“ ist keine Bewegung (N Plätze oder N%)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no place (a whole number above 0)</source>
        <translation>„%1“ ist kein Platz (eine ganze Zahl über 0)</translation>
    </message>
</context>
<context>
    <name>CAlertRules</name>
    <message>
        <source>%1 line %2: %3; the rule is left out</source>
        <translation>%1, Zeile %2: %3; die Regel wird ausgelassen</translation>
    </message>
</context>
<context>
    <name>CAlertRun</name>
    <message>
        <source>Sorvane: 1 rank alert</source>
        <translation>Sorvane: 1 Rang-Alarm</translation>
    </message>
    <message>
        <source>Sorvane: %1 rank alerts</source>
        <translation>Sorvane: %1 Rang-Alarme</translation>
    </message>
</context>
<context>
    <name>CChartPicture</name>
    <message>
        <source>Check domains in the list to draw them.</source>
        <translation>Haken Sie Domains in der Liste an, um sie zu zeichnen.</translation>
    </message>
    <message>
        <source>Nothing to draw: the checked domains have no %1 in %2.</source>
        <translation>Nichts zu zeichnen: Die angehakten Domains haben keinen Wert für %1 in %2.</translation>
    </message>
    <message>
        <source>the picture could not be written</source>
        <translation>das Bild konnte nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>CCsvWriter</name>
    <message>
        <source>Could not export to %1: %2</source>
        <translation>Export nach %1 nicht möglich: %2</translation>
    </message>
</context>
<context>
    <name>CDataFile</name>
    <message>
        <source>a folder</source>
        <translation>ein Ordner</translation>
    </message>
    <message>
        <source>a named pipe</source>
        <translation>eine benannte Pipe</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ein Socket</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>ein Gerät</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>%1 is %2, not a data file.</source>
        <translation>%1 ist %2, keine Datendatei.</translation>
    </message>
    <message>
        <source>%1 could not be read: %2.</source>
        <translation>%1 konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>%1 is a link to %2, which does not exist.</source>
        <translation>%1 ist eine Verknüpfung auf %2, das nicht existiert.</translation>
    </message>
    <message>
        <source>%1 could not be written: %2.</source>
        <translation>%1 konnte nicht geschrieben werden: %2.</translation>
    </message>
</context>
<context>
    <name>CDataFileWriter</name>
    <message>
        <source>%1 failed: %2</source>
        <translation>%1 fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>it is not a regular file, and only a regular file is replaced</source>
        <translation>es ist keine reguläre Datei, und nur eine reguläre Datei wird ersetzt</translation>
    </message>
    <message>
        <source>the file is not open</source>
        <translation>die Datei ist nicht geöffnet</translation>
    </message>
</context>
<context>
    <name>CDataLock</name>
    <message>
        <source>is a folder</source>
        <translation>ist ein Ordner</translation>
    </message>
    <message>
        <source>cannot be created (%1)</source>
        <translation>kann nicht angelegt werden (%1)</translation>
    </message>
    <message>
        <source>is not a regular file</source>
        <translation>ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>cannot be locked (%1)</source>
        <translation>kann nicht gesperrt werden (%1)</translation>
    </message>
    <message>
        <source>the lock file %1 %2</source>
        <translation>die Sperrdatei %1 %2</translation>
    </message>
    <message>
        <source>Sorvane could not lock its data folder %1: %2.
The window opens read-only: nothing will be saved in this session.</source>
        <translation>Sorvane konnte seinen Datenordner %1 nicht sperren: %2.
Das Fenster öffnet sich schreibgeschützt: In dieser Sitzung wird nichts gespeichert.</translation>
    </message>
    <message>
        <source>is a symbolic link, which is never followed</source>
        <translation>ist eine symbolische Verknüpfung, der nie gefolgt wird</translation>
    </message>
    <message>
        <source>another process holds the lock file %1</source>
        <translation>ein anderer Prozess hält die Sperrdatei %1</translation>
    </message>
    <message>
        <source>Another process is using the data folder %1: another Sorvane window or query run, or a program that holds its lock file.
This window will close without reading or writing its files.
(The lock file is %2.)</source>
        <translation>Ein anderer Prozess verwendet den Datenordner %1: ein anderes Sorvane-Fenster oder eine Abfrage ohne Fenster, oder ein Programm, das seine Sperrdatei hält.
Dieses Fenster schließt sich, ohne dessen Dateien zu lesen oder zu schreiben.
(Die Sperrdatei ist %2.)</translation>
    </message>
</context>
<context>
    <name>CDataSession</name>
    <message>
        <source>
Sorvane opens without it and will not save over it in this session.</source>
        <translation>
Sorvane öffnet sich ohne sie und speichert in dieser Sitzung nicht darüber.</translation>
    </message>
    <message>
        <source>the data folder %1 is not locked</source>
        <translation>der Datenordner %1 ist nicht gesperrt</translation>
    </message>
    <message>
        <source>%1 was not saved: the data folder could not be locked.</source>
        <translation>%1 wurde nicht gespeichert: Der Datenordner konnte nicht gesperrt werden.</translation>
    </message>
    <message>
        <source>%1 (%2 characters)</source>
        <translation>%1 (%2 Zeichen)</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
    <message>
        <source>Skipped in domains.dat, longer than a domain name can be (%1 characters): %2</source>
        <translation>In domains.dat übersprungen, länger als ein Domainname sein kann (%1 Zeichen): %2</translation>
    </message>
    <message>
        <source>%1 was not saved: it was not read at start and is left as it is.</source>
        <translation>%1 wurde nicht gespeichert: Die Datei wurde beim Start nicht gelesen und bleibt unverändert.</translation>
    </message>
    <message>
        <source>Sorvane keeps its data only in a folder no other user can write: %1.
The window opens read-only: nothing will be saved in this session.</source>
        <translation>Sorvane legt seine Daten nur in einem Ordner ab, in den kein anderer Benutzer schreiben kann: %1.
Das Fenster öffnet schreibgeschützt: In dieser Sitzung wird nichts gespeichert.</translation>
    </message>
    <message>
        <source>the data folder %1 belongs to another user</source>
        <translation>der Datenordner %1 gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>the data folder %1 can be written by other users (mode %2; chmod go-w %1 mends it)</source>
        <translation>in den Datenordner %1 können andere Benutzer schreiben (Modus %2; chmod go-w %1 behebt das)</translation>
    </message>
    <message>
        <source>%1 is a link to %2, which does not exist.</source>
        <translation>%1 ist eine Verknüpfung auf %2, das nicht existiert.</translation>
    </message>
    <message>
        <source>%1 is no longer a regular file.</source>
        <translation>%1 ist keine reguläre Datei mehr.</translation>
    </message>
    <message>
        <source>%1 can no longer be read (%2).</source>
        <translation>%1 kann nicht mehr gelesen werden (%2).</translation>
    </message>
    <message>
        <source>%1 cannot be saved: its folder %2 cannot be written (%3).</source>
        <translation>%1 kann nicht gespeichert werden: In seinen Ordner %2 kann nicht geschrieben werden (%3).</translation>
    </message>
</context>
<context>
    <name>CDataStore</name>
    <message>
        <source>Could not save %1: %2
The previous file has been kept.</source>
        <translation>%1 konnte nicht gespeichert werden: %2
Die bisherige Datei wurde behalten.</translation>
    </message>
    <message>
        <source>%1 is not UTF-8 text: %2 line(s) hold bytes that are not UTF-8. They are shown with � in place of those bytes and will be saved that way.</source>
        <translation>%1 ist kein UTF-8-Text: %2 Zeile(n) enthalten Bytes, die kein UTF-8 sind. Sie werden mit � anstelle dieser Bytes angezeigt und so gespeichert.</translation>
    </message>
    <message>
        <source>... and %1 more</source>
        <translation>… und %1 weitere</translation>
    </message>
    <message>
        <source>A domain name cannot contain &quot;,&quot;; these lines of %1 were skipped and will be left out when the list is saved:
</source>
        <translation>Ein Domainname kann kein „,“ enthalten; diese Zeilen von %1 wurden übersprungen und werden beim Speichern der Liste weggelassen:
</translation>
    </message>
</context>
<context>
    <name>CDesktopNotifier</name>
    <message>
        <source>The desktop notification failed: %1</source>
        <translation>Die Desktop-Benachrichtigung ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>The desktop notification was given up: the session bus did not answer within %1 s</source>
        <translation>Die Desktop-Benachrichtigung wurde aufgegeben: Der Sitzungsbus hat nicht innerhalb von %1 s geantwortet</translation>
    </message>
    <message>
        <source>The desktop notification failed (exit code %1)</source>
        <translation>Die Desktop-Benachrichtigung ist fehlgeschlagen (Exit-Code %1)</translation>
    </message>
</context>
<context>
    <name>CDigest</name>
    <message>
        <source>Sorvane digest: %1 from %2 to %3</source>
        <translation>Sorvane-Übersicht: %1 vom %2 bis %3</translation>
    </message>
    <message>
        <source>%1: no value in the period</source>
        <translation>%1: kein Wert im Zeitraum</translation>
    </message>
    <message>
        <source>%1: %2, was %3, %4 (%5), best %6, worst %7</source>
        <translation>%1: %2, vorher %3, %4 (%5), bester %6, schlechtester %7</translation>
    </message>
</context>
<context>
    <name>CDomainGroups</name>
    <message>
        <source>not &quot;group,domain&quot;</source>
        <translation>nicht „group,domain“</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no group name (1 to %2 characters, no comma or control character)</source>
        <translation>„%1“ ist kein Gruppenname (1 bis %2 Zeichen, kein Komma und kein Steuerzeichen)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no domain name</source>
        <translation>„%1“ ist kein Domainname</translation>
    </message>
    <message>
        <source>%1 line %2: %3, left out</source>
        <translation>%1, Zeile %2: %3, ausgelassen</translation>
    </message>
</context>
<context>
    <name>CDomainImportFilter</name>
    <message>
        <source>line %1:%2 %3</source>
        <translation>Zeile %1:%2 %3</translation>
    </message>
    <message>
        <source>... and %1 more</source>
        <translation>… und %1 weitere</translation>
    </message>
    <message>
        <source>Lines that name no domain were not imported (%1):</source>
        <translation>Zeilen, die keine Domain nennen, wurden nicht importiert (%1):</translation>
    </message>
</context>
<context>
    <name>CDomainName</name>
    <message>
        <source>is longer than a domain name can be (%1 characters, %2 a part)</source>
        <translation>ist länger, als ein Domainname sein kann (%1 Zeichen, %2 je Teil)</translation>
    </message>
    <message>
        <source>holds a control or format character</source>
        <translation>enthält ein Steuer- oder Formatzeichen</translation>
    </message>
    <message>
        <source>holds &quot;,&quot;</source>
        <translation>enthält „,“</translation>
    </message>
    <message>
        <source>names no host</source>
        <translation>nennt keinen Host</translation>
    </message>
    <message>
        <source>holds a space</source>
        <translation>enthält ein Leerzeichen</translation>
    </message>
    <message>
        <source>has no dot</source>
        <translation>hat keinen Punkt</translation>
    </message>
    <message>
        <source>is no host name (letters, digits, &quot;-&quot; and dots only)</source>
        <translation>ist kein Hostname (nur Buchstaben, Ziffern, „-“ und Punkte)</translation>
    </message>
    <message>
        <source>is an address, not a name</source>
        <translation>ist eine Adresse, kein Name</translation>
    </message>
</context>
<context>
    <name>CFetchFailure</name>
    <message>
        <source>no answer from the ranking service at %1 (%2)</source>
        <translation>keine Antwort vom Ranking-Dienst unter %1 (%2)</translation>
    </message>
    <message>
        <source>the connection closed without an answer</source>
        <translation>die Verbindung wurde ohne Antwort geschlossen</translation>
    </message>
    <message>
        <source>no status line in the answer</source>
        <translation>keine Statuszeile in der Antwort</translation>
    </message>
    <message>
        <source>the connection closed before the answer was complete</source>
        <translation>die Verbindung wurde geschlossen, bevor die Antwort vollständig war</translation>
    </message>
    <message>
        <source>the ranking service at %1 answered %2</source>
        <translation>der Ranking-Dienst unter %1 antwortete %2</translation>
    </message>
    <message>
        <source>the fetch failed</source>
        <translation>der Abruf ist fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>CHistoryExporter</name>
    <message>
        <source>Could not export to %1: %2</source>
        <translation>Export nach %1 nicht möglich: %2</translation>
    </message>
</context>
<context>
    <name>CHistoryImporter</name>
    <message>
        <source>Could not read %1: %2</source>
        <translation>%1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>longer than %1 MB, which no history line is</source>
        <translation>länger als %1 MB, was keine Verlaufszeile ist</translation>
    </message>
    <message>
        <source>... and %1 more bad lines</source>
        <translation>… und %1 weitere fehlerhafte Zeilen</translation>
    </message>
    <message>
        <source>%1 was not imported: %2 bad line(s), so nothing was taken from it.
</source>
        <translation>%1 wurde nicht importiert: %2 fehlerhafte Zeile(n), daher wurde nichts daraus übernommen.
</translation>
    </message>
    <message>
        <source>Could not read %1: it is not a regular file</source>
        <translation>%1 konnte nicht gelesen werden: keine reguläre Datei</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a date (%2)</source>
        <translation>„%1“ ist kein Datum (%2)</translation>
    </message>
    <message>
        <source>%1 fields, not %2</source>
        <translation>%1 Felder, nicht %2</translation>
    </message>
    <message>
        <source>not UTF-8 text</source>
        <translation>kein UTF-8-Text</translation>
    </message>
    <message>
        <source>the domain is longer than %1 characters</source>
        <translation>die Domain ist länger als %1 Zeichen</translation>
    </message>
    <message>
        <source>the domain holds a control or format character</source>
        <translation>die Domain enthält ein Steuer- oder Formatzeichen</translation>
    </message>
    <message>
        <source>the domain holds &quot;,&quot;</source>
        <translation>die Domain enthält „,“</translation>
    </message>
    <message>
        <source>no domain</source>
        <translation>keine Domain</translation>
    </message>
    <message>
        <source>%1 holds a comma or a line break, which the history file cannot hold</source>
        <translation>%1 enthält ein Komma oder einen Zeilenumbruch, was die Verlaufsdatei nicht aufnehmen kann</translation>
    </message>
    <message>
        <source>a quoted field is not closed</source>
        <translation>ein Feld in Anführungszeichen ist nicht geschlossen</translation>
    </message>
    <message>
        <source>text after a closing quote</source>
        <translation>Text nach einem schließenden Anführungszeichen</translation>
    </message>
    <message>
        <source>a quote inside a field that does not start with one</source>
        <translation>ein Anführungszeichen in einem Feld, das nicht mit einem beginnt</translation>
    </message>
    <message>
        <source>&quot;,&quot; or &quot;]&quot; expected after an object</source>
        <translation>„,“ oder „]“ nach einem Objekt erwartet</translation>
    </message>
    <message>
        <source>text after the end of the array</source>
        <translation>Text nach dem Ende des Arrays</translation>
    </message>
    <message>
        <source>not JSON: %1</source>
        <translation>kein JSON: %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; expected</source>
        <translation>„%1“ erwartet</translation>
    </message>
    <message>
        <source>unknown key &quot;%1&quot;</source>
        <translation>unbekannter Schlüssel „%1“</translation>
    </message>
    <message>
        <source>key &quot;%1&quot; given twice</source>
        <translation>Schlüssel „%1“ doppelt angegeben</translation>
    </message>
    <message>
        <source>&quot;,&quot; or &quot;}&quot; expected in an object</source>
        <translation>„,“ oder „}“ in einem Objekt erwartet</translation>
    </message>
    <message>
        <source>no %1</source>
        <translation>kein %1</translation>
    </message>
    <message>
        <source>%1 is %2, not a whole number or text</source>
        <translation>%1 ist %2, keine ganze Zahl und kein Text</translation>
    </message>
    <message>
        <source>%1 is %2</source>
        <translation>%1 ist %2</translation>
    </message>
    <message>
        <source>a value expected</source>
        <translation>ein Wert erwartet</translation>
    </message>
    <message>
        <source>a string is not closed</source>
        <translation>eine Zeichenkette ist nicht geschlossen</translation>
    </message>
    <message>
        <source>a bad \u escape</source>
        <translation>eine fehlerhafte \u-Escape-Sequenz</translation>
    </message>
    <message>
        <source>a bad escape</source>
        <translation>eine fehlerhafte Escape-Sequenz</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no domain name the domain list would take</source>
        <translation>„%1“ ist kein Domainname, den die Domainliste annähme</translation>
    </message>
</context>
<context>
    <name>CHistoryMerge</name>
    <message>
        <source>%1 added, %2 skipped (domain and date already held)</source>
        <translation>%1 hinzugefügt, %2 übersprungen (Domain und Datum schon vorhanden)</translation>
    </message>
</context>
<context>
    <name>CMemoryBudget</name>
    <message>
        <source>The history %1 is %2 large; loading it needs about %3 of memory, but only %4 is available.
Sorvane opens without the history and leaves the file as it is; nothing is saved over it in this session.
Close other programs or raise the memory limit and start Sorvane again, or move the file elsewhere to start a new history.</source>
        <translation>Der Verlauf %1 ist %2 groß; zum Laden werden etwa %3 Arbeitsspeicher benötigt, aber nur %4 sind verfügbar.
Sorvane öffnet sich ohne den Verlauf und lässt die Datei unverändert; in dieser Sitzung wird nichts darüber gespeichert.
Schließen Sie andere Programme oder erhöhen Sie die Speichergrenze und starten Sie Sorvane erneut, oder verschieben Sie die Datei, um einen neuen Verlauf zu beginnen.</translation>
    </message>
    <message>
        <source>The domain list %1 is %2 large; reading it needs about %3 of memory, but only %4 is available.</source>
        <translation>Die Domainliste %1 ist %2 groß; sie zu lesen braucht etwa %3 Arbeitsspeicher, verfügbar sind aber nur %4.</translation>
    </message>
</context>
<context>
    <name>CMoverRow</name>
    <message>
        <source>no change</source>
        <translation>keine Änderung</translation>
    </message>
    <message>
        <source>up %1 (%2%)</source>
        <translation>hoch %1 (%2 %)</translation>
    </message>
    <message>
        <source>down %1 (%2%)</source>
        <translation>runter %1 (%2 %)</translation>
    </message>
    <message>
        <source>Domain</source>
        <translation>Domain</translation>
    </message>
    <message>
        <source>Newest</source>
        <translation>Neuester</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Change %</source>
        <translation>Änderung %</translation>
    </message>
    <message>
        <source>Best</source>
        <translation>Bester</translation>
    </message>
    <message>
        <source>Worst</source>
        <translation>Schlechtester</translation>
    </message>
</context>
<context>
    <name>COverviewModel</name>
    <message>
        <source>no record yet</source>
        <translation>noch kein Datensatz</translation>
    </message>
    <message>
        <source>Best %1, worst %2</source>
        <translation>Bester %1, schlechtester %2</translation>
    </message>
    <message>
        <source>Last 90 Days</source>
        <translation>Letzte 90 Tage</translation>
    </message>
    <message>
        <source>Places gained since the previous record: + is an improvement</source>
        <translation>Seit dem vorigen Datensatz gewonnene Plätze: + ist eine Verbesserung</translation>
    </message>
    <message>
        <source>Places gained since the newest record at least 7 days before</source>
        <translation>Gewonnene Plätze seit dem neuesten Datensatz, der mindestens 7 Tage älter ist</translation>
    </message>
    <message>
        <source>Places gained since the newest record at least 30 days before</source>
        <translation>Gewonnene Plätze seit dem neuesten Datensatz, der mindestens 30 Tage älter ist</translation>
    </message>
    <message>
        <source>The global rank over the 90 days up to the newest record</source>
        <translation>Der Weltrang in den 90 Tagen bis zum neuesten Datensatz</translation>
    </message>
</context>
<context>
    <name>COverviewRow</name>
    <message>
        <source>Domain</source>
        <translation>Domain</translation>
    </message>
    <message>
        <source>Groups</source>
        <translation>Gruppen</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Global Rank</source>
        <translation>Weltrang</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
    <message>
        <source>Change %</source>
        <translation>Änderung %</translation>
    </message>
    <message>
        <source>7 Days</source>
        <translation>7 Tage</translation>
    </message>
    <message>
        <source>30 Days</source>
        <translation>30 Tage</translation>
    </message>
    <message>
        <source>US Rank</source>
        <translation>US-Rang</translation>
    </message>
    <message>
        <source>Best 90 Days</source>
        <translation>Bester (90 Tage)</translation>
    </message>
    <message>
        <source>Worst 90 Days</source>
        <translation>Schlechtester (90 Tage)</translation>
    </message>
</context>
<context>
    <name>COverviewWriter</name>
    <message>
        <source>no record yet</source>
        <translation>noch kein Datensatz</translation>
    </message>
</context>
<context>
    <name>CQueryRelayClient</name>
    <message>
        <source>another process holds the data folder %1 and no window answered</source>
        <translation>ein anderer Prozess hält den Datenordner %1, und kein Fenster hat geantwortet</translation>
    </message>
    <message>
        <source>the window sent nothing for %1 s; its run goes on there</source>
        <translation>das Fenster hat %1 s lang nichts gesendet; sein Lauf geht dort weiter</translation>
    </message>
    <message>
        <source>the window&apos;s run did not end within %1 s; it goes on there</source>
        <translation>der Lauf des Fensters endete nicht innerhalb von %1 s; er geht dort weiter</translation>
    </message>
    <message>
        <source>the window closed before its run ended</source>
        <translation>das Fenster wurde geschlossen, bevor sein Lauf endete</translation>
    </message>
    <message>
        <source>the connection to the window broke (%1)</source>
        <translation>die Verbindung zum Fenster ist abgebrochen (%1)</translation>
    </message>
    <message>
        <source>the window sent a line longer than %1 bytes</source>
        <translation>das Fenster hat eine Zeile gesendet, die länger als %1 Bytes ist</translation>
    </message>
    <message>
        <source>the window answered something that is not a query run&apos;s report</source>
        <translation>das Fenster hat etwas geantwortet, das kein Bericht eines Abfragelaufs ist</translation>
    </message>
    <message>
        <source>the window ended its run with an unknown code %1</source>
        <translation>das Fenster hat seinen Lauf mit dem unbekannten Code %1 beendet</translation>
    </message>
</context>
<context>
    <name>CQueryRelayServer</name>
    <message>
        <source>A query run started from the command line cannot run in this window: its socket %1 cannot be opened (%2).</source>
        <translation>Ein von der Kommandozeile gestarteter Abfragelauf kann nicht in diesem Fenster laufen: sein Socket %1 kann nicht geöffnet werden (%2).</translation>
    </message>
    <message>
        <source>the window is already answering %1 commands</source>
        <translation>das Fenster beantwortet bereits %1 Befehle</translation>
    </message>
    <message>
        <source>the window did not understand the request</source>
        <translation>das Fenster hat die Anfrage nicht verstanden</translation>
    </message>
    <message>
        <source>joined the window&apos;s run under way, which takes the %1 figures</source>
        <translation>dem laufenden Lauf des Fensters angeschlossen, der die Kennzahlen „%1“ abfragt</translation>
    </message>
    <message>
        <source>rank</source>
        <translation>Rang</translation>
    </message>
    <message>
        <source>reach</source>
        <translation>Reichweite</translation>
    </message>
    <message>
        <source>%1 earlier lines of the window&apos;s run are not repeated</source>
        <translation>%1 frühere Zeilen des Fensterlaufs werden nicht wiederholt</translation>
    </message>
    <message>
        <source>A query run started from the command line cannot run in this window: %1.</source>
        <translation>Eine von der Kommandozeile gestartete Abfrage kann nicht in diesem Fenster laufen: %1.</translation>
    </message>
</context>
<context>
    <name>CQueryRun</name>
    <message>
        <source>%1 stored, %2 already assessed, %3 failed</source>
        <translation>%1 gespeichert, %2 bereits erfasst, %3 fehlgeschlagen</translation>
    </message>
    <message>
        <source>The ranking service at %1:%2 could not be reached; no domain was fetched.

Start the local service with scripts/run.sh, or run sorvane-rankd and set SORVANE_SERVICE=host:port to its address before starting Sorvane.</source>
        <translation>Der Ranking-Dienst unter %1:%2 war nicht erreichbar; keine Domain wurde abgerufen.

Starten Sie den lokalen Dienst mit scripts/run.sh, oder starten Sie sorvane-rankd und setzen Sie SORVANE_SERVICE=host:port auf dessen Adresse, bevor Sie Sorvane starten.</translation>
    </message>
    <message>
        <source>%1 has already been assessed for this date...</source>
        <translation>%1 wurde für dieses Datum bereits erfasst …</translation>
    </message>
</context>
<context>
    <name>CRankChart</name>
    <message>
        <source>Rank (log scale, best at the top)</source>
        <translation>Rang (logarithmisch, der beste oben)</translation>
    </message>
    <message>
        <source>among the top %1 in the United States</source>
        <translation>unter den besten %1 in den Vereinigten Staaten</translation>
    </message>
</context>
<context>
    <name>CRunMoves</name>
    <message>
        <source>Biggest moves: none against an earlier record</source>
        <translation>Größte Bewegungen: keine gegenüber einem früheren Eintrag</translation>
    </message>
    <message>
        <source>Biggest moves: %1</source>
        <translation>Größte Bewegungen: %1</translation>
    </message>
</context>
<context>
    <name>CRunReport</name>
    <message>
        <source>%1 fetched but not stored, %2 already assessed, %3 failed</source>
        <translation>%1 abgerufen, aber nicht gespeichert, %2 bereits erfasst, %3 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 filled, %2 without a list, %3 failed</source>
        <translation>%1 nachgetragen, %2 ohne Liste, %3 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 fetched but not stored, %2 without a list, %3 failed</source>
        <translation>%1 abgerufen, aber nicht gespeichert, %2 ohne Liste, %3 fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>CRunSession</name>
    <message>
        <source>a query run is already under way</source>
        <translation>eine Abfrage läuft bereits</translation>
    </message>
    <message>
        <source>no domains to query in %1</source>
        <translation>keine abzufragenden Domains in %1</translation>
    </message>
    <message>
        <source>%1 %2: no list for that day</source>
        <translation>%1 %2: keine Liste für diesen Tag</translation>
    </message>
    <message>
        <source>the ranking service at %1:%2 does not say which day its figures are as of, so it cannot fill past days; nothing was stored</source>
        <translation>der Ranking-Dienst unter %1:%2 nennt nicht den Tag, auf den sich seine Zahlen beziehen, und kann daher keine vergangenen Tage nachtragen; es wurde nichts gespeichert</translation>
    </message>
    <message>
        <source>%1 with %2 of %3 domains left</source>
        <translation>%1, %2 von %3 Domains blieben offen</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> und %1 weitere</translation>
    </message>
</context>
<context>
    <name>CServiceAddress</name>
    <message>
        <source>&quot;%1&quot; is not a port number</source>
        <translation>„%1“ ist keine Portnummer</translation>
    </message>
</context>
<context>
    <name>CTextFile</name>
    <message>
        <source>%1 is not all UTF-8 text; what is not was read as �</source>
        <translation>%1 ist nicht durchgehend UTF-8-Text; was es nicht ist, wurde als � gelesen</translation>
    </message>
</context>
<context>
    <name>CTrendFigure</name>
    <message>
        <source>Global Rank</source>
        <translation>Weltrang</translation>
    </message>
    <message>
        <source>US Rank</source>
        <translation>US-Rang</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Gestern</translation>
    </message>
    <message>
        <source>7 Day</source>
        <translation>7 Tage</translation>
    </message>
    <message>
        <source>1 Month</source>
        <translation>1 Monat</translation>
    </message>
    <message>
        <source>3 Month</source>
        <translation>3 Monate</translation>
    </message>
    <message>
        <source>The domain&apos;s rank among the sites visited from the United States. From the Chrome UX Report it is a bucket for a whole month: 10,000 means among the top 10,000 in the United States. A rank stored from a daily United States list is the domain&apos;s place in it.</source>
        <translation>Der Rang der Domain unter den aus den Vereinigten Staaten besuchten Websites. Aus dem Chrome UX Report ist er eine Stufe für einen ganzen Monat: 10.000 heißt unter den besten 10.000 in den Vereinigten Staaten. Ein aus einer täglichen Liste der Vereinigten Staaten gespeicherter Rang ist der Platz der Domain darin.</translation>
    </message>
</context>
<context>
    <name>CTrendPeriod</name>
    <message>
        <source>All history</source>
        <translation>Gesamter Verlauf</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>end</source>
        <translation>Ende</translation>
    </message>
</context>
<context>
    <name>CUserGuide</name>
    <message>
        <source>About Sorvane</source>
        <translation>Über Sorvane</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Sorvane %1&lt;/h3&gt;&lt;p&gt;Keeps a list of internet domains and a browsable history of their traffic-ranking figures.&lt;/p&gt;&lt;p&gt;Copyright &amp;copy; 2026 The Sorvane developers.&lt;br&gt;Sorvane is free software under the MIT licence; it comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Where the figures come from.&lt;/b&gt; Sorvane asks a ranking service for them. It was written for the Alexa web-ranking service, which has been retired; it now asks its own local service, sorvane-rankd, which computes them from the daily top-sites lists in its lists folder. Each such list stays under the licence and terms of the one who published it, and so do the figures derived from it: read those terms before you share them. The sample lists that sorvane-rankd generates are made up and carry Sorvane&apos;s own licence.&lt;/p&gt;&lt;p&gt;Sorvane uses the Qt toolkit under the GNU LGPL version 3 (see Help &amp;rarr; About Qt).&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Sorvane %1&lt;/h3&gt;&lt;p&gt;Führt eine Liste von Internet-Domains und einen durchsuchbaren Verlauf ihrer Besucherrang-Zahlen.&lt;/p&gt;&lt;p&gt;Copyright &amp;copy; 2026 Die Sorvane-Entwickler.&lt;br&gt;Sorvane ist freie Software unter der MIT-Lizenz; es wird ohne jede Gewährleistung geliefert.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Woher die Zahlen stammen.&lt;/b&gt; Sorvane fragt einen Rangdienst nach ihnen. Es wurde für den Alexa-Rangdienst geschrieben, der eingestellt worden ist; heute fragt es seinen eigenen lokalen Dienst sorvane-rankd, der sie aus den täglichen Top-Site-Listen in seinem Listenordner berechnet. Jede solche Liste bleibt unter der Lizenz und den Bedingungen dessen, der sie veröffentlicht hat, und ebenso die daraus abgeleiteten Zahlen: Lesen Sie diese Bedingungen, bevor Sie sie weitergeben. Die Beispiellisten, die sorvane-rankd erzeugt, sind erfunden und stehen unter Sorvanes eigener Lizenz.&lt;/p&gt;&lt;p&gt;Sorvane verwendet das Qt-Toolkit unter der GNU LGPL Version 3 (siehe Hilfe &amp;rarr; Über Qt).&lt;/p&gt;</translation>
    </message>
    <message>
        <source>The domain the figures are for</source>
        <translation>Die Domain, zu der die Zahlen gehören</translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank among all sites worldwide (1 is the most visited)</source>
        <translation>Der Besucherrang der Domain unter allen Websites weltweit (1 ist die meistbesuchte)</translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank yesterday; with Alexa Data → Rank unchecked, its reach: the percentage of internet users who visited it</source>
        <translation>Der Besucherrang der Domain gestern; ohne Haken bei Alexa-Daten → Rang ihre Reichweite: der Anteil der Internetnutzer in Prozent, die sie besucht haben</translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank over the last 7 days; with Alexa Data → Rank unchecked, its reach over them</source>
        <translation>Der Besucherrang der Domain über die letzten 7 Tage; ohne Haken bei Alexa-Daten → Rang ihre Reichweite in dieser Zeit</translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank over the last month; with Alexa Data → Rank unchecked, its reach over it</source>
        <translation>Der Besucherrang der Domain über den letzten Monat; ohne Haken bei Alexa-Daten → Rang ihre Reichweite in dieser Zeit</translation>
    </message>
    <message>
        <source>The domain&apos;s traffic rank over the last 3 months; with Alexa Data → Rank unchecked, its reach over them</source>
        <translation>Der Besucherrang der Domain über die letzten 3 Monate; ohne Haken bei Alexa-Daten → Rang ihre Reichweite in dieser Zeit</translation>
    </message>
    <message>
        <source>The day the figures were fetched</source>
        <translation>Der Tag, an dem die Zahlen abgerufen wurden</translation>
    </message>
    <message>
        <source>No history yet: press Perform Query to fetch today&apos;s figures for 1 domain.</source>
        <translation>Noch kein Verlauf: Klicken Sie auf Abfrage starten, um die heutigen Zahlen für 1 Domain abzurufen.</translation>
    </message>
    <message>
        <source>No history yet: press Perform Query to fetch today&apos;s figures for %1 domains.</source>
        <translation>Noch kein Verlauf: Klicken Sie auf Abfrage starten, um die heutigen Zahlen für %1 Domains abzurufen.</translation>
    </message>
    <message>
        <source>No domains yet: add them with Manage Domains (Ctrl+M) or File → Import Urls (Ctrl+I), then press Perform Query (F5) to fetch their figures.</source>
        <translation>Noch keine Domains: Fügen Sie sie mit „Domains verwalten“ (Strg+M) oder Datei → URLs importieren (Strg+I) hinzu und drücken Sie dann „Abfrage starten“ (F5), um ihre Zahlen abzurufen.</translation>
    </message>
</context>
<context>
    <name>ChartWindow</name>
    <message>
        <source>Sorvane - Chart</source>
        <translation>Sorvane - Diagramm</translation>
    </message>
    <message>
        <source>&amp;Figure:</source>
        <translation>&amp;Kennzahl:</translation>
    </message>
    <message>
        <source>&amp;Period:</source>
        <translation>&amp;Zeitraum:</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Filter domains</source>
        <translation>Domains filtern</translation>
    </message>
    <message>
        <source>All history</source>
        <translation>Gesamter Verlauf</translation>
    </message>
    <message>
        <source>Picked in the tree (none)</source>
        <translation>Im Baum gewählt (keiner)</translation>
    </message>
    <message>
        <source>From / to</source>
        <translation>Von / bis</translation>
    </message>
    <message>
        <source>Positions gained since the start of the period: + is an improvement</source>
        <translation>Seit Beginn des Zeitraums gewonnene Plätze: + ist eine Verbesserung</translation>
    </message>
    <message>
        <source>Picked in the tree: %1</source>
        <translation>Im Baum gewählt: %1</translation>
    </message>
    <message>
        <source>no data</source>
        <translation>keine Daten</translation>
    </message>
    <message>
        <source>SVG image (*.svg)</source>
        <translation>SVG-Bild (*.svg)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>Save Chart</source>
        <translation>Diagramm speichern</translation>
    </message>
    <message>
        <source>Checks every domain of a group</source>
        <translation>Hakt jede Domain einer Gruppe an</translation>
    </message>
    <message>
        <source>Check a group...</source>
        <translation>Gruppe anhaken …</translation>
    </message>
    <message>
        <source>Save P&amp;NG...</source>
        <translation>Als P&amp;NG speichern …</translation>
    </message>
    <message>
        <source>Save S&amp;VG...</source>
        <translation>Als S&amp;VG speichern …</translation>
    </message>
    <message>
        <source>Choosing a group unchecks the other domains</source>
        <translation>Die Wahl einer Gruppe hebt die Haken der anderen Domains auf</translation>
    </message>
    <message>
        <source>&amp;Only this group</source>
        <translation>Nur diese Gr&amp;uppe</translation>
    </message>
    <message>
        <source>&amp;Uncheck all</source>
        <translation>Alle &amp;abhaken</translation>
    </message>
    <message>
        <source>Size of the picture in pixels, width x height (%1 to %2 a side):</source>
        <translation>Größe des Bildes in Pixeln, Breite x Höhe (%1 bis %2 je Seite):</translation>
    </message>
</context>
<context>
    <name>Korv::QtLib::Web::CWebSocket</name>
    <message>
        <source>the answer was longer than %1</source>
        <translation>die Antwort war länger als %1</translation>
    </message>
    <message>
        <source>connection refused</source>
        <translation>Verbindung abgelehnt</translation>
    </message>
    <message>
        <source>host not found</source>
        <translation>Host nicht gefunden</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message>
        <source>no answer within %1 s</source>
        <translation>keine Antwort innerhalb von %1 s</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Sorvane</source>
        <translation>Sorvane</translation>
    </message>
    <message>
        <source>Fetch today&apos;s figures for every domain in the list (F5)</source>
        <translation>Die heutigen Zahlen für jede Domain der Liste abrufen (F5)</translation>
    </message>
    <message>
        <source>Perform Query</source>
        <translation>Abfrage starten</translation>
    </message>
    <message>
        <source>Add domains to the list or delete them (Ctrl+M)</source>
        <translation>Domains zur Liste hinzufügen oder aus ihr löschen (Strg+M)</translation>
    </message>
    <message>
        <source>Manage Domains</source>
        <translation>Domains verwalten</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Import Urls</source>
        <translation>URLs &amp;importieren</translation>
    </message>
    <message>
        <source>Ctrl+I</source>
        <translation>Ctrl+I</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>Ctrl+E</source>
        <translation>Ctrl+E</translation>
    </message>
    <message>
        <source>&amp;Chart</source>
        <translation>Dia&amp;gramm</translation>
    </message>
    <message>
        <source>Ctrl+G</source>
        <translation>Ctrl+G</translation>
    </message>
    <message>
        <source>F5</source>
        <translation>F5</translation>
    </message>
    <message>
        <source>Ctrl+M</source>
        <translation>Ctrl+M</translation>
    </message>
    <message>
        <source>&amp;About Sorvane</source>
        <translation>Ü&amp;ber Sorvane</translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation>Über &amp;Qt</translation>
    </message>
    <message>
        <source>Domain</source>
        <translation>Domain</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Error establishing data directory, please restart the application</source>
        <translation>Der Datenordner konnte nicht angelegt werden, bitte starten Sie das Programm neu</translation>
    </message>
    <message>
        <source>Please provide domain names to begin</source>
        <translation>Bitte geben Sie zuerst Domainnamen an</translation>
    </message>
    <message>
        <source>Performing alexa data crawl...</source>
        <translation>Alexa-Daten werden abgefragt …</translation>
    </message>
    <message>
        <source>alexa ranking queries completed</source>
        <translation>Alexa-Rangabfragen abgeschlossen</translation>
    </message>
    <message>
        <source>Do wish you to remove this entry</source>
        <translation>Möchten Sie diesen Eintrag entfernen?</translation>
    </message>
    <message>
        <source>Row Deletion</source>
        <translation>Zeile löschen</translation>
    </message>
    <message>
        <source>Import File...</source>
        <translation>Datei importieren …</translation>
    </message>
    <message>
        <source>Please make visible the data rows you wish to export to a CSV file</source>
        <translation>Bitte zeigen Sie zuerst die Datenzeilen an, die Sie in eine CSV-Datei exportieren möchten</translation>
    </message>
    <message>
        <source>Export CSV File</source>
        <translation>CSV-Datei exportieren</translation>
    </message>
    <message>
        <source>Data saved successfully</source>
        <translation>Daten erfolgreich gespeichert</translation>
    </message>
    <message>
        <source>Import History...</source>
        <translation>Verlauf importieren …</translation>
    </message>
    <message>
        <source>Export only the domains checked in the chart, over the chart&apos;s period?
No exports the whole history.</source>
        <translation>Nur die im Diagramm angehakten Domains über den Zeitraum des Diagramms exportieren?
Nein exportiert den ganzen Verlauf.</translation>
    </message>
    <message>
        <source>Export History</source>
        <translation>Verlauf exportieren</translation>
    </message>
    <message>
        <source>CSV (*.csv);;JSON (*.json)</source>
        <translation>CSV (*.csv);;JSON (*.json)</translation>
    </message>
    <message>
        <source>%1 record(s) exported to %2</source>
        <translation>%1 Datensatz/Datensätze nach %2 exportiert</translation>
    </message>
    <message>
        <source>The history file was not read at start, so nothing can be merged into it in this session.</source>
        <translation>Die Verlaufsdatei wurde beim Start nicht gelesen, daher kann in dieser Sitzung nichts mit ihr zusammengeführt werden.</translation>
    </message>
    <message>
        <source>the window was closed</source>
        <translation>das Fenster wurde geschlossen</translation>
    </message>
    <message>
        <source>&amp;Overview</source>
        <translation>Ü&amp;bersicht</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>A&amp;lerts...</source>
        <translation>A&amp;larme …</translation>
    </message>
    <message>
        <source>Ctrl+L</source>
        <translation>Ctrl+L</translation>
    </message>
    <message>
        <source>Nothing was imported: %1 could not be read (%2).</source>
        <translation>Nichts wurde importiert: %1 konnte nicht gelesen werden (%2).</translation>
    </message>
    <message>
        <source>&amp;Alexa Data</source>
        <translation>Ale&amp;xa-Daten</translation>
    </message>
    <message>
        <source>Export &amp;CSV</source>
        <translation>&amp;CSV exportieren</translation>
    </message>
    <message>
        <source>Export &amp;History...</source>
        <translation>&amp;Verlauf exportieren …</translation>
    </message>
    <message>
        <source>Import Hi&amp;story...</source>
        <translation>Verlauf im&amp;portieren …</translation>
    </message>
    <message>
        <source>&amp;Rank</source>
        <translation>&amp;Rang</translation>
    </message>
    <message>
        <source>&amp;Perform Query</source>
        <translation>&amp;Abfrage starten</translation>
    </message>
    <message>
        <source>&amp;Manage Domains</source>
        <translation>Domains &amp;verwalten</translation>
    </message>
    <message>
        <source>The mail address could not be written to Sorvane.ini.</source>
        <translation>Die Mailadresse konnte nicht in Sorvane.ini geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>ManageDomains</name>
    <message>
        <source>Manage Domains</source>
        <translation>Domains verwalten</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Add Domain</source>
        <translation>Domain hinzufügen</translation>
    </message>
    <message>
        <source>Please provide a domain</source>
        <translation>Bitte geben Sie eine Domain an</translation>
    </message>
    <message>
        <source>The domain was not added: a domain name cannot contain control or format characters.</source>
        <translation>Die Domain wurde nicht hinzugefügt: Ein Domainname darf keine Steuer- oder Formatzeichen enthalten.</translation>
    </message>
    <message>
        <source>&amp;Groups:</source>
        <translation>&amp;Gruppen:</translation>
    </message>
    <message>
        <source>mine, rivals</source>
        <translation>meine, Konkurrenz</translation>
    </message>
    <message>
        <source>The groups of the selected domain, separated by commas</source>
        <translation>Die Gruppen der gewählten Domain, durch Kommas getrennt</translation>
    </message>
    <message>
        <source>A group name has 1 to %1 characters and no control character; these were left out:
%2</source>
        <translation>Ein Gruppenname hat 1 bis %1 Zeichen und kein Steuerzeichen; diese wurden ausgelassen:
%2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was not added: it %2.</source>
        <translation>„%1“ wurde nicht hinzugefügt: Es %2.</translation>
    </message>
    <message>
        <source>&amp;Add Domain</source>
        <translation>Domain &amp;hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
</context>
<context>
    <name>OverviewWindow</name>
    <message>
        <source>Overview</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>&amp;Filter:</source>
        <translation>&amp;Filter:</translation>
    </message>
    <message>
        <source>Part of a domain name</source>
        <translation>Teil eines Domainnamens</translation>
    </message>
    <message>
        <source>&amp;Group:</source>
        <translation>&amp;Gruppe:</translation>
    </message>
    <message>
        <source>All groups</source>
        <translation>Alle Gruppen</translation>
    </message>
    <message>
        <source>No domains yet. Add them with Alexa Data → Manage Domains (Ctrl+M) or File → Import Urls (Ctrl+I); Perform Query (F5) then fetches their figures.</source>
        <translation>Noch keine Domains. Fügen Sie sie mit Alexa-Daten → Domains verwalten (Strg+M) oder Datei → URLs importieren (Strg+I) hinzu; Abfrage starten (F5) ruft dann ihre Zahlen ab.</translation>
    </message>
    <message>
        <source>%1 of %2 domains</source>
        <translation>%1 von %2 Domains</translation>
    </message>
</context>
</TS>
