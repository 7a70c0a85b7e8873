<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>MainClass</name>
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
