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
<context>
    <name>service_block</name>
    <message>
        <source>Настройки ПО</source>
        <translation>Настройки ПО</translation>
    </message>
    <message>
        <source>Чтение</source>
        <translation>Чтение</translation>
    </message>
    <message>
        <source>Запись</source>
        <translation>Запись</translation>
    </message>
    <message>
        <source>Поиск</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Режим чтения</source>
        <translation>Режим чтения</translation>
    </message>
    <message>
        <source>По одному регистру</source>
        <translation>По одному регистру</translation>
    </message>
    <message>
        <source>Блоками</source>
        <translation>Блоками</translation>
    </message>
    <message>
        <source>С автоинкрементом</source>
        <translation>С автоинкрементом</translation>
    </message>
    <message>
        <source>Зациклить чтение (сек)</source>
        <translation>Зациклить чтение (сек)</translation>
    </message>
    <message>
        <source>Режим записи</source>
        <translation>Режим записи</translation>
    </message>
    <message>
        <source>Только изменения</source>
        <translation>Только изменения</translation>
    </message>
    <message>
        <source>Вычитка после записи</source>
        <translation>Вычитка после записи</translation>
    </message>
    <message>
        <source>Задержка записи/чтения (мс)</source>
        <translation>Задержка записи/чтения (мс)</translation>
    </message>
    <message>
        <source>Комментировать файл</source>
        <translation>Комментировать файл</translation>
    </message>
    <message>
        <source>Дописывать файл</source>
        <translation>Дописывать файл</translation>
    </message>
    <message>
        <source>Проверять версию конфига</source>
        <translation>Проверять версию конфига</translation>
    </message>
    <message>
        <source>Сохранять статусные регистры</source>
        <translation>Сохранять статусные регистры</translation>
    </message>
    <message>
        <source>Сохранять сервисные регистры</source>
        <translation>Сохранять сервисные регистры</translation>
    </message>
</context>
<context>
    <name>clerk</name>
    <message>
        <source>Недокументированная 
комбинация флагов</source>
        <translation>Недокументированная 
комбинация флагов</translation>
    </message>
    <message>
        <source>Interface error 5 </source>
        <translation>Ошибка подключения 5 </translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Прервано</translation>
    </message>
    <message>
        <source>.hex file is not available</source>
        <translation>Файл конфигураций 
недоступен</translation>
    </message>
</context>
</TS>
