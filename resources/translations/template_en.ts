<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainClass</name>
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
