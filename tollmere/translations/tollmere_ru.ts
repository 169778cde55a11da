<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="en">
<context>
    <name>tollmere</name>
    <message>
        <source>The file cannot be read.</source>
        <translation>Файл не удаётся прочитать.</translation>
    </message>
    <message>
        <source>No observation epoch could be decoded.</source>
        <translation>Не удалось декодировать ни одной эпохи наблюдений.</translation>
    </message>
    <message>
        <source>The temporary folder could not be created or written.</source>
        <translation>Не удалось создать временную папку или записать в неё.</translation>
    </message>
    <message>
        <source>An output file could not be written completely.</source>
        <translation>Выходной файл не удалось записать полностью.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Недостаточно памяти.</translation>
    </message>
    <message>
        <source>The conversion library %1 was not found: %2</source>
        <translation>Библиотека преобразования %1 не найдена: %2</translation>
    </message>
    <message>
        <source>The conversion library %1 has no function %2.</source>
        <translation>В библиотеке преобразования %1 нет функции %2.</translation>
    </message>
    <message>
        <source>%1 m</source>
        <translation>%1 м</translation>
    </message>
    <message>
        <source>%1 B</source>
        <translation>%1 Б</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 КБ</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 МБ</translation>
    </message>
    <message>
        <source>The file no longer exists.</source>
        <translation>Файл больше не существует.</translation>
    </message>
    <message>
        <source>Not a regular file (a pipe, device or folder); it was not read.</source>
        <translation>Не обычный файл (канал, устройство или папка); он не читался.</translation>
    </message>
    <message>
        <source>The file is empty.</source>
        <translation>Файл пуст.</translation>
    </message>
    <message>
        <source> The output folder was left as it was.</source>
        <translation> Папка результатов осталась без изменений.</translation>
    </message>
    <message>
        <source>The static header is truncated (%1 of 512 bytes).</source>
        <translation>Статический заголовок обрезан (%1 из 512 байт).</translation>
    </message>
    <message>
        <source>Not a valid static file: unknown static header format code %1 (expected 0, 1000 or 1099).</source>
        <translation>Недопустимый статический файл: неизвестный код формата заголовка %1 (ожидается 0, 1000 или 1099).</translation>
    </message>
    <message>
        <source>No receiver data after the static header.</source>
        <translation>После статического заголовка нет данных приёмника.</translation>
    </message>
    <message>
        <source>Unknown format: no receiver data of a supported board format behind the static header.</source>
        <translation>Неизвестный формат: за статическим заголовком нет данных приёмника поддерживаемого формата платы.</translation>
    </message>
    <message>
        <source>Not a static file (no static header) and no receiver data of a supported board format.</source>
        <translation>Не статический файл (нет статического заголовка) и нет данных приёмника поддерживаемого формата платы.</translation>
    </message>
    <message>
        <source>The conversion library reported no reason.</source>
        <translation>Библиотека преобразования не сообщила причину.</translation>
    </message>
</context>
<context>
    <name>tollmere::CAboutDlg</name>
    <message>
        <source>Build Date:</source>
        <translation>Дата сборки:</translation>
    </message>
    <message>
        <source>About Tollmere</source>
        <translation>О программе Tollmere</translation>
    </message>
    <message>
        <source>Tollmere,Ver %1</source>
        <translation>Tollmere, версия %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
</context>
<context>
    <name>tollmere::CSetAnteHeightDlg</name>
    <message>
        <source>Phase center</source>
        <translation>Фазовый центр</translation>
    </message>
    <message>
        <source>Slant height</source>
        <translation>Наклонная высота</translation>
    </message>
    <message>
        <source>Vertical height to edge</source>
        <translation>Вертикальная высота до края</translation>
    </message>
    <message>
        <source>Altimetry</source>
        <translation>Высотомер</translation>
    </message>
    <message>
        <source>Vertical height to bottom</source>
        <translation>Вертикальная высота до основания</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Время начала</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>Время окончания</translation>
    </message>
    <message>
        <source>Point name </source>
        <translation>Имя пункта </translation>
    </message>
    <message>
        <source>Antenna Measure Height</source>
        <translation>Измеренная высота антенны</translation>
    </message>
    <message>
        <source>Antenna Measure Mode</source>
        <translation>Способ измерения высоты</translation>
    </message>
    <message>
        <source>Antenna Param(R/H)</source>
        <translation>Параметры антенны (R/H)</translation>
    </message>
    <message>
        <source>Antenna Param(L1/L2)</source>
        <translation>Параметры антенны (L1/L2)</translation>
    </message>
    <message>
        <source>Output Antenna  Height</source>
        <translation>Выходная высота антенны</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Antenna height</source>
        <translation>Высота антенны</translation>
    </message>
    <message>
        <source>m</source>
        <translation>м</translation>
    </message>
</context>
<context>
    <name>tollmere::CTollmereDlg</name>
    <message>
        <source>Tollmere</source>
        <translation>Tollmere</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Папка</translation>
    </message>
    <message>
        <source>File name</source>
        <translation>Имя файла</translation>
    </message>
    <message>
        <source>Antenna height</source>
        <translation>Высота антенны</translation>
    </message>
    <message>
        <source>SIZE</source>
        <translation>РАЗМЕР</translation>
    </message>
    <message>
        <source>date</source>
        <translation>дата</translation>
    </message>
    <message>
        <source>Start time </source>
        <translation>Время начала </translation>
    </message>
    <message>
        <source>Stop time</source>
        <translation>Время окончания</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Состояние:</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Выбрать все</translation>
    </message>
    <message>
        <source>Output path=Input path</source>
        <translation>Выходная папка = входная папка</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Экспорт</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>About Tollmere(&amp;A)...</source>
        <translation>О программе Tollmere(&amp;A)...</translation>
    </message>
    <message>
        <source>Mixed V3.02</source>
        <translation>Смешанный V3.02</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Автоматически</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Гц</translation>
    </message>
    <message>
        <source>s</source>
        <translation>с</translation>
    </message>
    <message>
        <source>Rinex Version:</source>
        <translation>Версия RINEX:</translation>
    </message>
    <message>
        <source>time Interval:</source>
        <translation>Интервал:</translation>
    </message>
    <message>
        <source>Output Ionospheric Corretions</source>
        <translation>Выводить ионосферные поправки</translation>
    </message>
    <message>
        <source>Phase Center</source>
        <translation>Фазовый центр</translation>
    </message>
    <message>
        <source>Flag Cycle Slip</source>
        <translation>Отмечать срывы циклов</translation>
    </message>
    <message>
        <source>Set Station Coordinate With Single Point Position</source>
        <translation>Задать координаты станции по автономному решению</translation>
    </message>
    <message>
        <source>Export System:</source>
        <translation>Системы:</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>GLO</source>
        <translation>ГЛОНАСС</translation>
    </message>
    <message>
        <source>BeiDou</source>
        <translation>BeiDou</translation>
    </message>
    <message>
        <source>Galileo</source>
        <translation>Galileo</translation>
    </message>
    <message>
        <source>QZSS</source>
        <translation>QZSS</translation>
    </message>
    <message>
        <source>SBAS</source>
        <translation>SBAS</translation>
    </message>
    <message>
        <source>Freq Band:</source>
        <translation>Частоты:</translation>
    </message>
    <message>
        <source>Single Freq</source>
        <translation>Одна частота</translation>
    </message>
    <message>
        <source>Multiple Freq</source>
        <translation>Несколько частот</translation>
    </message>
    <message>
        <source>Are you sure to rechoose path?</source>
        <translation>Выбрать папку заново?</translation>
    </message>
    <message>
        <source>Please Select Path</source>
        <translation>Выберите папку</translation>
    </message>
    <message>
        <source>Find File Failed!</source>
        <translation>Не удалось найти файлы!</translation>
    </message>
    <message>
        <source>SELECT NONE</source>
        <translation>СНЯТЬ ВСЕ</translation>
    </message>
    <message>
        <source>SELECT ALL</source>
        <translation>ВЫБРАТЬ ВСЕ</translation>
    </message>
    <message>
        <source>Path is empty, please select first</source>
        <translation>Папка не задана, сначала выберите её</translation>
    </message>
    <message>
        <source>Select Export Satellite System!</source>
        <translation>Выберите спутниковую систему!</translation>
    </message>
    <message>
        <source>Select Version</source>
        <translation>Выберите версию</translation>
    </message>
    <message>
        <source>Please Select File</source>
        <translation>Выберите файл</translation>
    </message>
    <message>
        <source>Status: Convert to Rinex </source>
        <translation>Состояние: преобразование в RINEX </translation>
    </message>
    <message>
        <source>Convert to Rinex Error</source>
        <translation>Ошибка преобразования в RINEX</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>Готово</translation>
    </message>
    <message>
        <source>No file header, can&apos;t edit antenna height</source>
        <translation>Нет заголовка файла, высоту антенны изменить нельзя</translation>
    </message>
    <message>
        <source>A file named %1 already exists; %2 keeps its name.</source>
        <translation>Файл %1 уже существует; %2 сохраняет прежнее имя.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Да</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Folder of the raw files; Enter lists it</source>
        <translation>Папка с исходными файлами; Enter — показать её</translation>
    </message>
    <message>
        <source>Measuring method</source>
        <translation>Способ измерения</translation>
    </message>
    <message>
        <source>Point name</source>
        <translation>Имя пункта</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Длительность</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Результат</translation>
    </message>
    <message>
        <source>The log of the conversions appears here.</source>
        <translation>Здесь появляется журнал преобразований.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Stops after the running file; the files after it are skipped.</source>
        <translation>Остановка после текущего файла; следующие файлы пропускаются.</translation>
    </message>
    <message>
        <source>Save log...</source>
        <translation>Сохранить журнал...</translation>
    </message>
    <message>
        <source>Open output folder</source>
        <translation>Открыть папку результатов</translation>
    </message>
    <message>
        <source>Status: listing %1</source>
        <translation>Состояние: просмотр %1</translation>
    </message>
    <message>
        <source>Status: %1 raw files listed</source>
        <translation>Состояние: найдено исходных файлов: %1</translation>
    </message>
    <message>
        <source>cannot be converted: %1</source>
        <translation>нельзя преобразовать: %1</translation>
    </message>
    <message>
        <source>Converting %1 files into %2</source>
        <translation>Преобразование файлов (%1) в %2</translation>
    </message>
    <message>
        <source>File %1 of %2</source>
        <translation>Файл %1 из %2</translation>
    </message>
    <message>
        <source>%1: converted, files written: %2</source>
        <translation>%1: преобразован, записаны файлы: %2</translation>
    </message>
    <message>
        <source>%1: %2: %3</source>
        <translation>%1: %2: %3</translation>
    </message>
    <message>
        <source>%1 converted, %2 failed, %3 skipped</source>
        <translation>преобразовано: %1, с ошибкой: %2, пропущено: %3</translation>
    </message>
    <message>
        <source>%1 of %2 files done</source>
        <translation>Обработано файлов: %1 из %2</translation>
    </message>
    <message>
        <source>Cancelled: %1 files skipped; the running file is finished first.</source>
        <translation>Отменено: пропущено файлов: %1; текущий файл будет завершён.</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>в очереди</translation>
    </message>
    <message>
        <source>converting</source>
        <translation>преобразуется</translation>
    </message>
    <message>
        <source>converted, files written: %1</source>
        <translation>преобразован, записано файлов: %1</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>ошибка: %1</translation>
    </message>
    <message>
        <source>skipped (cancelled)</source>
        <translation>пропущен (отменено)</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>Сохранить журнал</translation>
    </message>
    <message>
        <source>The log could not be saved: %1</source>
        <translation>Не удалось сохранить журнал: %1</translation>
    </message>
    <message>
        <source>Edit antenna height...</source>
        <translation>Изменить высоту антенны...</translation>
    </message>
    <message>
        <source>File information...</source>
        <translation>Сведения о файле...</translation>
    </message>
    <message>
        <source>Open containing folder</source>
        <translation>Открыть папку с файлом</translation>
    </message>
    <message>
        <source>Not a static file (no static header, or an unknown header format code).</source>
        <translation>Не статический файл (нет статического заголовка или неизвестный код формата заголовка).</translation>
    </message>
    <message>
        <source>Marker name: %1</source>
        <translation>Имя пункта: %1</translation>
    </message>
    <message>
        <source>Receiver: %1</source>
        <translation>Приёмник: %1</translation>
    </message>
    <message>
        <source>Antenna: %1 (number %2)</source>
        <translation>Антенна: %1 (номер %2)</translation>
    </message>
    <message>
        <source>First observation: %1</source>
        <translation>Первое наблюдение: %1</translation>
    </message>
    <message>
        <source>Last observation: %1</source>
        <translation>Последнее наблюдение: %1</translation>
    </message>
    <message>
        <source>Position X Y Z: %1 %2 %3 m</source>
        <translation>Положение X Y Z: %1 %2 %3 м</translation>
    </message>
    <message>
        <source>Antenna height: %1 m measured, method %2 (%3)</source>
        <translation>Высота антенны: измерено %1 м, способ %2 (%3)</translation>
    </message>
    <message>
        <source>Phase centre (dH): %1 m</source>
        <translation>Фазовый центр (dH): %1 м</translation>
    </message>
    <message>
        <source>Antenna R H L1 L2: %1 %2 %3 %4 m</source>
        <translation>Антенна R H L1 L2: %1 %2 %3 %4 м</translation>
    </message>
    <message>
        <source>Log files (*.log *.txt)</source>
        <translation>Файлы журнала (*.log *.txt)</translation>
    </message>
</context>
</TS>
