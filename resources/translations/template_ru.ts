<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>MainClass</name>
    <message>
        <source>Сброс ПО</source>
        <translation>Сброс ПО</translation>
    </message>
    <message>
        <source>Загрузить дефолт (F5)</source>
        <translation>Загрузить дефолт (F5)</translation>
    </message>
    <message>
        <source>ПО -&gt; Файл</source>
        <translation>ПО -&gt; Файл</translation>
    </message>
    <message>
        <source>ПО -&gt; Файл (F6)</source>
        <translation>ПО -&gt; Файл (F6)</translation>
    </message>
    <message>
        <source>Файл -&gt; ПО</source>
        <translation>Файл -&gt; ПО</translation>
    </message>
    <message>
        <source>Файл -&gt; ПО (F7)</source>
        <translation>Файл -&gt; ПО (F7)</translation>
    </message>
    <message>
        <source>Файл -&gt; ИС</source>
        <translation>Файл -&gt; ИС</translation>
    </message>
    <message>
        <source>Файл -&gt; ИС (F9)</source>
        <translation>Файл -&gt; ИС (F9)</translation>
    </message>
    <message>
        <source>ПО -&gt; ИС</source>
        <translation>ПО -&gt; ИС</translation>
    </message>
    <message>
        <source>ПО -&gt; ИС (F10)</source>
        <translation>ПО -&gt; ИС (F10)</translation>
    </message>
    <message>
        <source>ИС -&gt; ПО</source>
        <translation>ИС -&gt; ПО</translation>
    </message>
    <message>
        <source>ИС -&gt; ПО (F11)</source>
        <translation>ИС -&gt; ПО (F11)</translation>
    </message>
    <message>
        <source>Настройки ПО</source>
        <translation>Настройки ПО</translation>
    </message>
</context>
<context>
    <name>mapshow</name>
    <message>
        <source>Колонки</source>
        <translation>Колонки</translation>
    </message>
    <message>
        <source>Шрифт</source>
        <translation>Шрифт</translation>
    </message>
</context>
</TS>
