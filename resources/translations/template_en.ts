<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainClass</name>
    <message>
        <source>Сброс ПО</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>Загрузить дефолт (F5)</source>
        <translation>Load default.hex (F5)</translation>
    </message>
    <message>
        <source>ПО -&gt; Файл</source>
        <translation>GUI -&gt; File</translation>
    </message>
    <message>
        <source>ПО -&gt; Файл (F6)</source>
        <translation>Save GUI to File (F6)</translation>
    </message>
    <message>
        <source>Файл -&gt; ПО</source>
        <translation>File -&gt;GUI</translation>
    </message>
    <message>
        <source>Файл -&gt; ПО (F7)</source>
        <translation>Load file into GUI</translation>
    </message>
    <message>
        <source>Файл -&gt; ИС</source>
        <translation>File -&gt; IC</translation>
    </message>
    <message>
        <source>Файл -&gt; ИС (F9)</source>
        <translation>File -&gt; IC (F9)</translation>
    </message>
    <message>
        <source>ПО -&gt; ИС</source>
        <translation>GUI -&gt; IC</translation>
    </message>
    <message>
        <source>ПО -&gt; ИС (F10)</source>
        <translation>Writet GUI state to IC (F10)</translation>
    </message>
    <message>
        <source>ИС -&gt; ПО</source>
        <translation>IC -&gt; GUI</translation>
    </message>
    <message>
        <source>ИС -&gt; ПО (F11)</source>
        <translation>Read IC state to GUI (F11)</translation>
    </message>
    <message>
        <source>Настройки ПО</source>
        <translation>Service settings</translation>
    </message>
</context>
<context>
    <name>mapshow</name>
    <message>
        <source>Колонки</source>
        <translation>Column</translation>
    </message>
    <message>
        <source>Шрифт</source>
        <translation>Size</translation>
    </message>
</context>
</TS>
